#include "app/handler_guard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "app/input_guard.h"

namespace korval {

HandlerGuard::HandlerGuard(QWidget& window, std::function<void(const std::string&)> showError)
    : window_(window), showError_(std::move(showError)) {
  qApp->installEventFilter(this);
}

HandlerGuard::~HandlerGuard() {
  qApp->removeEventFilter(this);
  DropBusyCursor();
}

void HandlerGuard::Run(const std::function<void()>& handler) {
  Enter();
  try {
    handler();
  } catch (const std::exception& error) {
    // A change handler run by RunChange hands its error back to the code that
    // set the text; the outermost handler shows it. Only conversion and file
    // errors are thrown by design; anything else is shown the same way rather
    // than lost.
    if (nestedChange_ > 0) {
      pendingError_ = std::current_exception();
    } else {
      showError_(error.what());
    }
  }
  Leave();
}

void HandlerGuard::RunChange(const std::function<void()>& change) {
  ++nestedChange_;
  change();
  --nestedChange_;
  if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));
}

void HandlerGuard::RunStoppable(const std::function<void()>& work) {
  stopRequested_ = false;
  stoppableWork_ = true;
  work();
  stoppableWork_ = false;
}

void HandlerGuard::KeepAlive() {
  // Most handlers end within a few milliseconds; only work that has run long
  // enough to need a repaint shows the busy cursor, so the 35 ms monitor tick
  // and typing in a box never make the cursor flicker.
  if (Busy() && !busyCursorShown_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busyCursorShown_ = true;
  }
  QCoreApplication::processEvents();
}

void HandlerGuard::DropBusyCursor() {
  if (!busyCursorShown_) return;
  QApplication::restoreOverrideCursor();
  busyCursorShown_ = false;
}

void HandlerGuard::Leave() {
  if (--depth_ > 0) return;
  stoppableWork_ = false;
  DropBusyCursor();
  if (!idleWork_.empty()) QTimer::singleShot(0, this, [this] { RunIdleWork(); });
  if (closeRequested_) {
    closeRequested_ = false;
    QWidget* window = &window_;
    QTimer::singleShot(0, this, [window] { window->close(); });
  }
}

void HandlerGuard::RunIdleWork() {
  // A handler may have begun between the post and now (and be pumping events):
  // the work then waits for its end, which posts it again.
  if (Busy()) return;
  auto work = std::exchange(idleWork_, {});
  for (auto& w : work) Run(w);
}

void HandlerGuard::RunWhenIdle(std::function<void()> work) {
  if (Busy()) {
    idleWork_.push_back(std::move(work));
  } else {
    Run(work);
  }
}

bool HandlerGuard::eventFilter(QObject* watched, QEvent* event) {
  if (!Busy()) return false;
  if (watched == &window_ && event->type() == QEvent::Close) {
    // Closing in the middle of an operation would pull the line from under it;
    // the window closes as soon as the operation is over.
    closeRequested_ = true;
    event->ignore();
    return true;
  }
  switch (ClassifyBusyInput(watched, *event, &window_, stoppableWork_)) {
    case BusyInput::kPass:
      return false;
    case BusyInput::kDrop:
      return true;
    case BusyInput::kStopRequest:
      stopRequested_ = true;
      return true;
    case BusyInput::kNotInput:
      break;
  }
  // The window's own timers wait for the next tick after the operation, also
  // while a box or dialog of the operation is open.
  return event->type() == QEvent::Timer &&
         std::find(heldTimers_.begin(), heldTimers_.end(), watched) != heldTimers_.end();
}

}  // namespace korval
