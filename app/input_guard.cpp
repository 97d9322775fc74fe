#include "app/input_guard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace korval {

namespace {

bool IsOperatorInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

// Qt hands input first to the native window and then to the widget under it;
// both pass the filter, so both must be placed.
const QWidget* TargetWidget(QObject* watched) {
  if (watched->isWidgetType()) return static_cast<const QWidget*>(watched);
  if (const auto* window = qobject_cast<const QWindow*>(watched)) {
    for (const QWidget* top : QApplication::topLevelWidgets()) {
      if (top->windowHandle() == window) return top;
    }
  }
  return nullptr;
}

// Walks up across window borders too, so that the popup of a combo box in a
// dialog counts as part of the dialog. A target that belongs to no window of
// ours (a parentless popup) is not the main window's.
bool BelongsToMainWindow(const QWidget* target, const QWidget* modal, const QWidget* mainWindow) {
  for (const QWidget* w = target; w != nullptr; w = w->parentWidget()) {
    if (w == modal) return false;
    if (w == mainWindow) return true;
  }
  return false;
}

}  // namespace

BusyInput ClassifyBusyInput(QObject* watched, const QEvent& event, const QWidget* mainWindow,
                            bool escapeStops) {
  if (!IsOperatorInput(event.type())) return BusyInput::kNotInput;
  const QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && modal != mainWindow &&
      !BelongsToMainWindow(TargetWidget(watched), modal, mainWindow)) {
    return BusyInput::kPass;
  }
  if (escapeStops && event.type() == QEvent::KeyPress &&
      static_cast<const QKeyEvent&>(event).key() == Qt::Key_Escape) {
    return BusyInput::kStopRequest;
  }
  return BusyInput::kDrop;
}

}  // namespace korval
