// The handler guard on its own, over a plain widget standing for the main
// window: input held off, modal windows let through, timers held, closing
// deferred, idle work queued, errors handed back.
#include "app/handler_guard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/tests/form_test.h"

namespace korval::testing {
namespace {

class HandlerGuardTest : public ::testing::Test {
 protected:
  HandlerGuardTest() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(box);
    layout->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
    window.show();
    guard = std::make_unique<HandlerGuard>(
        window, [this](const std::string& what) { errors.push_back(what); });
  }
  ~HandlerGuardTest() override {
    guard.reset();
    QCoreApplication::processEvents();
  }

  // Delivers one tick of `timer` the way the event loop does.
  static void Tick(QTimer& timer) {
    QTimerEvent tick(timer.timerId());
    QCoreApplication::sendEvent(&timer, &tick);
  }

  QApplication& app = EnsureApplication();  // before any widget
  QWidget window;
  QLineEdit* box = new QLineEdit(&window);
  QPushButton* button = new QPushButton("Go", &window);
  int clicks = 0;
  std::vector<std::string> errors;
  std::unique_ptr<HandlerGuard> guard;
};

TEST_F(HandlerGuardTest, NestedHandlersShareOneBusyTime) {
  std::vector<int> depths;
  EXPECT_FALSE(guard->Busy());
  guard->Run([&] {
    depths.push_back(guard->Depth());
    guard->Run([&] { depths.push_back(guard->Depth()); });
    depths.push_back(guard->Depth());
  });
  EXPECT_EQ(depths, (std::vector<int>{1, 2, 1}));
  EXPECT_FALSE(guard->Busy());
}

TEST_F(HandlerGuardTest, AnErrorEndsTheHandlerWithTheBoxAndLeavesBusy) {
  bool after = false;
  guard->Run([&] {
    throw std::runtime_error("'x' is not a valid integer value");
    after = true;
  });
  EXPECT_FALSE(after);
  EXPECT_EQ(errors, (std::vector<std::string>{"'x' is not a valid integer value"}));
  EXPECT_FALSE(guard->Busy());
}

TEST_F(HandlerGuardTest, AChangeHandlersErrorEndsTheCodeThatSetTheText) {
  // The box's change handler runs nested inside the outer handler, as a bound
  // textChanged would.
  QObject::connect(box, &QLineEdit::textChanged, [this](const QString& text) {
    guard->Run([&] {
      if (text == "bad") throw std::runtime_error("'bad' is not a valid integer value");
    });
  });
  std::vector<std::string> steps;
  guard->Run([&] {
    guard->RunChange([&] { box->setText("good"); });
    steps.push_back("after good");
    guard->RunChange([&] { box->setText("bad"); });
    steps.push_back("after bad");
  });
  EXPECT_EQ(steps, (std::vector<std::string>{"after good"}));
  EXPECT_EQ(errors, (std::vector<std::string>{"'bad' is not a valid integer value"}));
  EXPECT_FALSE(guard->Busy());
  // The error was taken: the next change does not throw it again.
  guard->Run([&] { guard->RunChange([&] { box->setText("good again"); }); });
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(HandlerGuardTest, InputToTheWindowIsDroppedWhileBusyAndTakenWhenIdle) {
  guard->Run([&] {
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClicks(box, "12");
    QCoreApplication::processEvents();
  });
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(box->text(), "");
  QTest::mouseClick(button, Qt::LeftButton);
  QTest::keyClicks(box, "12");
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(box->text(), "12");
}

TEST_F(HandlerGuardTest, AModalWindowOpenedByAHandlerTakesItsInput) {
  int result = -1;
  QString typed;
  guard->Run([&] {
    QDialog dialog(&window);
    auto* edit = new QLineEdit(&dialog);
    auto* ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    new QVBoxLayout(&dialog);
    dialog.layout()->addWidget(edit);
    dialog.layout()->addWidget(ok);
    QTimer::singleShot(0, &dialog, [&] {
      QTest::keyClicks(edit, "7");
      QTest::mouseClick(button, Qt::LeftButton);  // the main window stays held off
      QTest::keyClick(&dialog, Qt::Key_Return);
      if (dialog.isVisible()) dialog.done(99);  // the key was lost: end the test
    });
    result = dialog.exec();
    typed = edit->text();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(typed, "7");
  EXPECT_EQ(clicks, 0);
}

TEST_F(HandlerGuardTest, HeldTimersWaitForTheEndOfTheHandlerOthersTick) {
  QTimer held;
  QTimer free;
  int heldTicks = 0;
  int freeTicks = 0;
  QObject::connect(&held, &QTimer::timeout, [&] { ++heldTicks; });
  QObject::connect(&free, &QTimer::timeout, [&] { ++freeTicks; });
  held.start(60000);
  free.start(60000);
  guard->HoldTimers({&held});
  guard->Run([&] {
    Tick(held);
    Tick(free);
  });
  EXPECT_EQ(heldTicks, 0);
  EXPECT_EQ(freeTicks, 1);
  EXPECT_TRUE(held.isActive());  // the next tick still comes
  Tick(held);
  EXPECT_EQ(heldTicks, 1);
}

TEST_F(HandlerGuardTest, ACloseRequestWaitsForTheOutermostHandler) {
  guard->Run([&] {
    guard->Run([&] { window.close(); });
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible()) << "closed after the inner handler";
  });
  EXPECT_TRUE(window.isVisible()) << "closed inside the handler";
  QCoreApplication::processEvents();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(HandlerGuardTest, ACloseWhenIdleClosesAtOnce) {
  window.close();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(HandlerGuardTest, IdleWorkRunsAtOnceWhenIdleElseAfterTheHandlerInOrder) {
  std::vector<std::string> ran;
  guard->RunWhenIdle([&] { ran.push_back(guard->Depth() == 1 ? "now" : "nested"); });
  EXPECT_EQ(ran, (std::vector<std::string>{"now"}));
  ran.clear();
  guard->Run([&] {
    guard->RunWhenIdle([&] { ran.push_back("first"); });
    guard->Run([&] { guard->RunWhenIdle([&] { ran.push_back("second"); }); });
    QCoreApplication::processEvents();
    ran.push_back("handler end");
  });
  QCoreApplication::processEvents();
  EXPECT_EQ(ran, (std::vector<std::string>{"handler end", "first", "second"}));
}

TEST_F(HandlerGuardTest, IdleWorkDueWhenAHandlerBeginsWaitsForItsEnd) {
  std::vector<std::string> ran;
  guard->Run([&] { guard->RunWhenIdle([&] { ran.push_back("work"); }); });
  // Another handler begins before the event loop took the work, and lets the
  // window repaint on the way.
  guard->Run([&] {
    QCoreApplication::processEvents();
    ran.push_back("handler end");
  });
  QCoreApplication::processEvents();
  EXPECT_EQ(ran, (std::vector<std::string>{"handler end", "work"}));
}

TEST_F(HandlerGuardTest, EscapeStopsOnlyWorkThatMayBeStopped) {
  struct Case {
    const char* name;
    bool busy;
    bool stoppable;
    bool stopped;
  };
  const Case cases[] = {
      {"idle", false, false, false},
      {"busy, not stoppable", true, false, false},
      {"stoppable work", true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool stopSeen = false;
    const auto press = [&] {
      QTest::keyClick(&window, Qt::Key_Escape);
      stopSeen = guard->StopRequested();
    };
    if (!c.busy) {
      press();
    } else if (c.stoppable) {
      guard->Run([&] { guard->RunStoppable(press); });
    } else {
      guard->Run(press);
    }
    EXPECT_EQ(stopSeen, c.stopped);
  }
  // A new stoppable run starts without the old request.
  bool stopAtStart = true;
  guard->Run([&] { guard->RunStoppable([&] { stopAtStart = guard->StopRequested(); }); });
  EXPECT_FALSE(stopAtStart);
}

TEST_F(HandlerGuardTest, LongWorkShowsTheBusyCursorUntilTheHandlerEnds) {
  guard->KeepAlive();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy cursor while idle";
  guard->Run([&] {
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy cursor before long work";
    guard->KeepAlive();
    guard->KeepAlive();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  });
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace korval::testing
