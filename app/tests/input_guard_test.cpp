// Which input the handler guard lets through while a handler runs.
#include "app/input_guard.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QWindow>

#include "app/tests/form_test.h"

namespace korval::testing {
namespace {

QKeyEvent Key(Qt::Key key) {
  return {QEvent::KeyPress, key, Qt::NoModifier};
}

QMouseEvent Press() {
  return {QEvent::MouseButtonPress, QPointF(1, 1),  QPointF(1, 1),
          Qt::LeftButton,           Qt::LeftButton, Qt::NoModifier};
}

TEST(InputGuardTest, OnlyAModalWindowOpenedOverTheMainWindowTakesInput) {
  EnsureApplication();
  QWidget main;
  auto* mainBox = new QLineEdit(&main);
  main.show();
  QWidget stranger;  // a window of its own that is not modal
  auto* dialog = new QDialog(&main);
  auto* dialogBox = new QLineEdit(dialog);
  auto* popup = new QWidget(dialogBox, Qt::Popup);  // as a combo box's list
  QWidget parentless(nullptr, Qt::Popup);           // as a completer's list

  QKeyEvent escape = Key(Qt::Key_Escape);
  QKeyEvent letter = Key(Qt::Key_A);
  QMouseEvent press = Press();
  QTimerEvent tick(1);

  const auto classify = [&main](QObject* target, const QEvent& event, bool escapeStops) {
    return ClassifyBusyInput(target, event, &main, escapeStops);
  };
  // No modal window: everything to our windows is held off.
  EXPECT_EQ(classify(mainBox, press, false), BusyInput::kDrop);
  EXPECT_EQ(classify(&main, letter, false), BusyInput::kDrop);
  EXPECT_EQ(classify(main.windowHandle(), press, false), BusyInput::kDrop);
  EXPECT_EQ(classify(&stranger, press, false), BusyInput::kDrop);
  EXPECT_EQ(classify(mainBox, escape, false), BusyInput::kDrop);
  EXPECT_EQ(classify(mainBox, escape, true), BusyInput::kStopRequest);
  EXPECT_EQ(classify(mainBox, letter, true), BusyInput::kDrop);
  EXPECT_EQ(classify(mainBox, tick, false), BusyInput::kNotInput);

  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->show();
  ASSERT_EQ(QApplication::activeModalWidget(), dialog);
  const struct {
    const char* name;
    QObject* target;
    const QEvent& event;
    BusyInput expected;
  } cases[] = {
      {"the dialog", dialog, press, BusyInput::kPass},
      {"the dialog's native window", dialog->windowHandle(), press, BusyInput::kPass},
      {"a box in the dialog", dialogBox, letter, BusyInput::kPass},
      {"Escape in the dialog", dialogBox, escape, BusyInput::kPass},
      {"a popup of the dialog", popup, press, BusyInput::kPass},
      {"a parentless popup", &parentless, letter, BusyInput::kPass},
      {"the main window", &main, press, BusyInput::kDrop},
      {"the main window's native window", main.windowHandle(), letter, BusyInput::kDrop},
      {"a box of the main window", mainBox, letter, BusyInput::kDrop},
      {"a timer tick", dialog, tick, BusyInput::kNotInput},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(classify(c.target, c.event, true), c.expected) << c.name;
  }
  dialog->hide();
}

}  // namespace
}  // namespace korval::testing
