// The window's handler guard. Every bound event of the main window runs through
// Run: the errors that end a handler go to the error box, long work keeps the
// window painted while the operator's input to it is held off, the window's own
// timers wait, a close request waits for the end of the outermost handler and
// work posted from elsewhere runs once no handler is under way.
#pragma once

#include <QObject>
#include <exception>
#include <functional>
#include <string>
#include <vector>

class QEvent;
class QWidget;

namespace korval {

class HandlerGuard : public QObject {
  Q_OBJECT

 public:
  // Watches the whole application for `window`; `showError` receives the text
  // of an error that ended a handler.
  HandlerGuard(QWidget& window, std::function<void(const std::string&)> showError);
  ~HandlerGuard() override;
  HandlerGuard(const HandlerGuard&) = delete;
  HandlerGuard& operator=(const HandlerGuard&) = delete;

  // Runs one handler; handlers run by it (nested) share its busy time.
  void Run(const std::function<void()>& handler);
  // Runs `work` now when no handler is under way, else once the outermost ends;
  // work waiting there runs in the order it came.
  void RunWhenIdle(std::function<void()> work);
  bool Busy() const { return depth_ > 0; }
  int Depth() const { return depth_; }

  // Runs code whose change handlers run nested (setting a box's text): an error
  // that ends such a handler is thrown on here, as if the code had thrown it.
  void RunChange(const std::function<void()>& change);

  // Runs work that Escape may stop: StopRequested turns true when the operator
  // presses Escape in the window meanwhile.
  void RunStoppable(const std::function<void()>& work);
  bool StopRequested() const { return stopRequested_; }

  // Ticks of these timers wait while a handler runs.
  void HoldTimers(std::vector<const QObject*> timers) { heldTimers_ = std::move(timers); }

  // Called now and then during long work: shows the busy cursor and lets the
  // window repaint (input stays held off).
  void KeepAlive();
  // Puts the normal cursor back before something waits for the operator.
  void DropBusyCursor();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Enter() { ++depth_; }
  void Leave();
  void RunIdleWork();

  QWidget& window_;
  std::function<void(const std::string&)> showError_;
  std::vector<const QObject*> heldTimers_;
  int depth_ = 0;
  bool busyCursorShown_ = false;
  int nestedChange_ = 0;
  std::exception_ptr pendingError_;
  std::vector<std::function<void()>> idleWork_;
  bool closeRequested_ = false;
  bool stoppableWork_ = false;
  bool stopRequested_ = false;
};

}  // namespace korval
