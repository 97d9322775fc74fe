// What the window does with the operator's input while one of its handlers
// runs. Input to the main window is dropped, not queued, so nothing starts a
// second operation now or just after; a modal window that the handler opened
// (the error box, a file dialog) and whatever lies inside it take their input
// as usual, or the handler could never end. Escape may be asked to stop the
// running work instead.
#pragma once

class QEvent;
class QObject;
class QWidget;

namespace korval {

enum class BusyInput {
  kNotInput,     // no operator input: the window decides
  kPass,         // input to a modal window opened by the handler
  kDrop,         // input to the main window
  kStopRequest,  // Escape pressed in the main window while work may be stopped
};

// Classifies one event seen by the window's application event filter while a
// handler runs. `escapeStops` tells whether the running work can be stopped.
BusyInput ClassifyBusyInput(QObject* watched, const QEvent& event, const QWidget* mainWindow,
                            bool escapeStops);

}  // namespace korval
