// The operator's real key and mouse events, delivered through QApplication so
// that the window's input guard sees them: the modal windows a handler opens
// take them, the main window does not while a handler runs, and Escape stops a
// running discovery.
#include <gmock/gmock.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "app/artnet_room.h"
#include "app/devices_room.h"
#include "app/tests/form_test.h"
#include "rdm/line_controller.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

using ModalInput = std::function<void(QWidget* modal)>;

struct ModalOutcome {
  bool shown = false;
  QString text;  // a message box's text
  bool closedByInput = false;
};

void AnswerWhenShown(const std::shared_ptr<ModalOutcome>& outcome, const ModalInput& input,
                     int turnsLeft) {
  QTimer::singleShot(0, [outcome, input, turnsLeft] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      if (turnsLeft > 0) AnswerWhenShown(outcome, input, turnsLeft - 1);
      return;
    }
    outcome->shown = true;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) outcome->text = box->text();
    const QPointer<QWidget> watched(modal);
    input(modal);
    outcome->closedByInput = watched.isNull() || !watched->isVisible();
    // A window that the input could not close is closed from code, so that a
    // failing test ends instead of waiting for ever.
    if (!outcome->closedByInput) {
      if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      } else {
        modal->close();
      }
    }
  });
}

// Once the next modal window is open, `input` delivers the operator's events.
std::shared_ptr<ModalOutcome> AnswerNextModal(const ModalInput& input) {
  auto outcome = std::make_shared<ModalOutcome>();
  AnswerWhenShown(outcome, input, 100);
  return outcome;
}

QWidget* FocusIn(QWidget* modal) {
  QWidget* focus = QApplication::focusWidget();
  return focus != nullptr && modal->isAncestorOf(focus) ? focus : modal;
}

ModalInput PressKey(Qt::Key key) {
  return [key](QWidget* modal) { QTest::keyClick(FocusIn(modal), key); };
}

ModalInput ClickOk() {
  return [](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  };
}

// Types a name into the file dialog's name box and presses Return there.
ModalInput TypeFileName(const QString& name) {
  return [name](QWidget* modal) {
    auto* edit = modal->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
  };
}

class ModalInputTest : public FormTest {
 protected:
  // A real click on the window runs its handler once the guard is idle again.
  void ExpectWindowTakesClicks() {
    form->show();
    const auto mark = LogMark();
    QTest::mouseClick(form->SpeedButtonUp, Qt::LeftButton);
    EXPECT_THAT(LogSince(mark), Contains("UP On the top "));
  }

  // A names file that stops the load shows the box during FormCreate.
  void ExpectStartUpGoesOnAfterTheBox(const ModalInput& input) {
    WriteFile(kDeviceNamesFile, "ZZZZ=x\r\n");
    keepRealErrorBox = true;
    const auto outcome = AnswerNextModal(input);
    Start();
    EXPECT_TRUE(outcome->shown);
    EXPECT_EQ(outcome->text, "devnames.lst line 1: '0xZZZZ' is not a valid integer value");
    EXPECT_TRUE(outcome->closedByInput);
    EXPECT_FALSE(form->Busy());
    EXPECT_THAT(Log(), Contains(std::string("KORVAL interface initialized ") + kMakerWebAddress));
    ExpectWindowTakesClicks();
  }
};

TEST_F(ModalInputTest, TheStartUpErrorBoxClosesOnReturnAndStartUpGoesOn) {
  ExpectStartUpGoesOnAfterTheBox(PressKey(Qt::Key_Return));
}

TEST_F(ModalInputTest, TheStartUpErrorBoxClosesOnEscapeAndStartUpGoesOn) {
  ExpectStartUpGoesOnAfterTheBox(PressKey(Qt::Key_Escape));
}

TEST_F(ModalInputTest, TheStartUpErrorBoxClosesOnAClickOnOkAndStartUpGoesOn) {
  ExpectStartUpGoesOnAfterTheBox(ClickOk());
}

TEST_F(ModalInputTest, AChangeHandlersErrorBoxTakesInputWhileTheWindowStaysHeldOff) {
  keepRealErrorBox = true;
  Start();
  form->show();
  for (QLineEdit* box : {form->EditAddr, form->Edit35, form->EditStart, form->EditEnd}) {
    SCOPED_TRACE(box->objectName().toStdString() + " " + box->text().toStdString());
    const auto mark = LogMark();
    const auto outcome = AnswerNextModal([this](QWidget* modal) {
      // The window under the box is still held off: this click starts nothing.
      QTest::mouseClick(form->SpeedButtonUp, Qt::LeftButton);
      QTest::keyClick(FocusIn(modal), Qt::Key_Return);
    });
    box->end(false);
    while (!box->text().isEmpty()) QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_TRUE(outcome->shown);
    EXPECT_EQ(outcome->text, "'' is not a valid integer value");
    EXPECT_TRUE(outcome->closedByInput);
    EXPECT_FALSE(form->Busy());
    EXPECT_THAT(LogSince(mark), Not(Contains("UP On the top ")));
    ExpectWindowTakesClicks();
  }
}

TEST_F(ModalInputTest, ThePatchFileDialogsTakeATypedNameAndReturn) {
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n4A4C00000013=b\r\n");
  Start();
  ShowPage(form->TabSheet2);
  form->show();

  const auto saved = AnswerNextModal(TypeFileName("show1"));
  QTest::mouseClick(form->Button8, Qt::LeftButton);
  EXPECT_TRUE(saved->shown);
  EXPECT_TRUE(saved->closedByInput);
  ASSERT_TRUE(Exists("show1.pat"));
  EXPECT_EQ(ReadFile("show1.pat").size(), 4U + 2 * 12);

  const auto loaded = AnswerNextModal(TypeFileName("show1.pat"));
  QTest::mouseClick(form->Button9, Qt::LeftButton);
  EXPECT_TRUE(loaded->shown);
  EXPECT_TRUE(loaded->closedByInput);
  std::vector<std::string> items;
  items.reserve(form->ListBox1->count());
  for (int row = 0; row < form->ListBox1->count(); ++row) {
    items.push_back(form->ListBox1->item(row)->text().toStdString());
  }
  EXPECT_THAT(items, ElementsAre("0x4A4C00000012", "0x4A4C00000013"));
  EXPECT_FALSE(form->Busy());
  ExpectWindowTakesClicks();
}

TEST_F(ModalInputTest, TheArtNetDialogsOpenOnAClickAndCloseOnEscape) {
  Start();
  ShowPage(form->TabSheet3);
  form->show();
  const struct {
    QPushButton* button;
    QPointer<QDialog> TForm1::ArtNetRoom::*dialog;
  } cases[] = {
      {form->BitBtnNetworkInterface, &TForm1::ArtNetRoom::nicForm},
      {form->BitBtnNetworkStatus, &TForm1::ArtNetRoom::statusForm},
      {form->BitBtnbShowData, &TForm1::ArtNetRoom::monitorForm},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button->text().toStdString());
    QTest::mouseClick(c.button, Qt::LeftButton);
    QDialog* dialog = (*form->artNetRoom).*c.dialog;
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    QTest::keyClick(FocusIn(dialog), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
  }
  ExpectWindowTakesClicks();
}

TEST_F(ModalInputTest, EscapeStopsADiscoveryWhileEveryOtherInputStaysHeldOff) {
  // The stubborn fixture answers every branch and never takes its mute, so
  // without the operator the search would run to its bound.
  sim::ResponderConfig stubborn = Fixture(0x4B52'6A19'C3F8ULL);
  stubborn.faults.ignores_mute = true;
  Start({Fixture(0x4B52'7F4D'0B21ULL), stubborn});
  form->show();
  // The pump runs on every line, so the keys arrive while the search runs
  // however fast this machine gets through it.
  form->Messages().SetPumpInterval(0);
  bool delivered = false;
  form->Messages().SetKeepAlive([&] {
    if (!delivered && form->ListBox1->count() > 0) {
      delivered = true;
      QTest::mouseClick(form->SpeedButtonUp, Qt::LeftButton);
      QTest::keyClick(form->ListBox1, Qt::Key_Down);
      QTest::keyClick(form->ListBox1, Qt::Key_Escape);
    }
    form->KeepAlive();
  });
  const auto mark = LogMark();
  const std::size_t requests = RequestMark();
  QTest::mouseClick(form->BitBtnDiscover, Qt::LeftButton);
  ASSERT_TRUE(delivered);
  // The Down key held off during the search started no page read afterwards:
  // only discovery commands went out.
  const auto sent = RequestsSince(requests);
  ASSERT_FALSE(sent.empty());
  for (const WireRequest& r : sent) {
    EXPECT_EQ(r.commandClass, rdm::kDiscoveryCommand) << ::testing::PrintToString(r);
  }

  const auto lines = LogSince(mark);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Discovery stopped by the operator."), 1);
  ASSERT_GE(lines.size(), 2U);
  EXPECT_EQ(lines[lines.size() - 2], "Discovery stopped by the operator.");
  EXPECT_EQ(lines.back(), "Discovery finished.");
  EXPECT_THAT(lines, Not(Contains("UP On the top ")));
  EXPECT_FALSE(dynamic_cast<LineController&>(form->controller).LastDiscovery().StoppedAtBound());
  ASSERT_EQ(form->ListBox1->count(), 1);
  EXPECT_EQ(form->ListBox1->item(0)->text(), "0 - ID:4B527F4D0B21");
  EXPECT_EQ(form->SelectedPosition(), 0);
  EXPECT_EQ(ReadFile(kDeviceNamesFile), "4B527F4D0B21=\r\n");

  for (const auto& line : lines) EXPECT_FALSE(line.starts_with("device:")) << line;
  form->Messages().SetKeepAlive({});
  EXPECT_FALSE(form->Busy());
  ExpectWindowTakesClicks();
}

}  // namespace
}  // namespace korval::testing
