// The handler guard: every bound event runs through RunHandler, which turns the
// errors that end a handler into the error box, keeps the window painted during
// long work and holds the operator's input off until the handler is over.
#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <utility>

#include "app/input_guard.h"
#include "app/tform1.h"

namespace korval {

void TForm1::SetText(QLineEdit* box, const QString& text) {
  ++nestedChange_;
  box->setText(text);
  --nestedChange_;
  if (pendingError_) {
    std::exception_ptr error = std::exchange(pendingError_, nullptr);
    std::rethrow_exception(error);
  }
}

void TForm1::RunHandler(const std::function<void()>& handler) {
  EnterBusy();
  try {
    handler();
  } catch (const std::exception& error) {
    // A change handler run by SetText hands its error back to the code that set
    // the text; the outermost handler shows it. Only conversion and file errors
    // are thrown by design; anything else is shown the same way rather than lost.
    if (nestedChange_ > 0) {
      pendingError_ = std::current_exception();
    } else {
      showErrorBox(QString::fromStdString(error.what()));
    }
  }
  LeaveBusy();
}

void TForm1::EnterBusy() {
  ++busyDepth_;
}

void TForm1::KeepAlive() {
  // Most handlers end within a few milliseconds; only work that has run long
  // enough to need a repaint shows the busy cursor, so the 35 ms monitor tick
  // and typing in a box never make the cursor flicker.
  if (Busy() && !busyCursorShown_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busyCursorShown_ = true;
  }
  QCoreApplication::processEvents();
}

void TForm1::LeaveBusy() {
  if (--busyDepth_ > 0) return;
  stoppableWork_ = false;
  if (busyCursorShown_) {
    QApplication::restoreOverrideCursor();
    busyCursorShown_ = false;
  }
  if (!idleWork_.empty()) {
    QTimer::singleShot(0, this, [this] {
      auto work = std::exchange(idleWork_, {});
      for (auto& w : work) RunHandler(w);
    });
  }
  if (closeRequested_) {
    closeRequested_ = false;
    QTimer::singleShot(0, this, [this] { close(); });
  }
}

void TForm1::RunWhenIdle(std::function<void()> work) {
  if (Busy()) {
    idleWork_.push_back(std::move(work));
  } else {
    RunHandler(work);
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (!Busy()) return false;
  switch (ClassifyBusyInput(watched, *event, this, stoppableWork_)) {
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
  return event->type() == QEvent::Timer && (watched == StartUpTimer || watched == Timer1);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (Busy()) {
    // Closing in the middle of an operation would pull the line from under it;
    // the window closes as soon as the operation is over.
    closeRequested_ = true;
    event->ignore();
    return;
  }
  bool canClose = false;
  FormCloseQuery(canClose);
  if (canClose) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace korval
