// The window's side of the handler guard: every bound event runs through the
// guard (app/handler_guard.h); closing itself runs FormCloseQuery.
#include <QCloseEvent>

#include "app/artnet_room.h"
#include "app/handler_guard.h"
#include "app/tform1.h"

namespace korval {

void TForm1::SetText(QLineEdit* box, const QString& text) {
  guard_->RunChange([box, &text] { box->setText(text); });
}

void TForm1::RunHandler(const std::function<void()>& handler) {
  guard_->Run(handler);
  // Any handler may have changed the device list; controllers on the network
  // see it from now on.
  if (!guard_->Busy() && artNetRoom) artNetRoom->PublishTable();
}

void TForm1::RunWhenIdle(std::function<void()> work) {
  guard_->RunWhenIdle(std::move(work));
}

bool TForm1::Busy() const {
  return guard_->Busy();
}

void TForm1::KeepAlive() {
  guard_->KeepAlive();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A close request during a handler never gets here: the guard holds it until
  // the handler is over.
  bool canClose = false;
  FormCloseQuery(canClose);
  if (canClose) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace korval
