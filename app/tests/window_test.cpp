// The window as the operator first sees it, and the guard around its handlers.
#include <gmock/gmock.h>

#include <QApplication>
#include <QMouseEvent>
#include <algorithm>

#include "app/tests/form_test.h"
#include "app/tests/params_fixture.h"
#include "base/errors.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using ::testing::ElementsAre;
using WindowTest = FormTest;

TEST_F(WindowTest, OpensFixedSizeWithTheCaptionAndAMinimizeButtonOnly) {
  Start({}, false);
  EXPECT_EQ(form->size(), QSize(893, 652));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());
  EXPECT_EQ(form->pos(), QPoint(261, 36));
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form->windowTitle().startsWith("KORVAL RDM Setup V1.0.2"));
  EXPECT_EQ(form->LogMemo->toPlainText(), "Message Log");
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
  EXPECT_EQ(form->PageControl1->tabText(0), "RDM");
  EXPECT_EQ(form->PageControl1->tabText(1), "IAP");
  EXPECT_EQ(form->PageControl1->tabText(2), "Art-Net");
}

TEST_F(WindowTest, ControlsStandWhereTheDesignPutsThemWithTheirCaptions) {
  Start({}, false);
  struct Expect {
    QWidget* widget;
    QRect place;
    QString text;
  };
  auto& f = *form;
  const Expect controls[] = {
      {f.ListBox1, {8, 8, 161, 529}, {}},
      {f.BitBtnDiscover, {8, 552, 177, 41}, "查找 Discover"},
      {f.BitBtnIdentify, {8, 600, 177, 41}, "   识别 Identify"},
      {f.PageControl1, {192, 8, 689, 345}, {}},
      {f.LogMemo, {192, 368, 689, 217}, {}},
      {f.Image1, {232, 600, 609, 49}, {}},
      {f.SpeedButtonUp, {168, 72, 25, 65}, {}},
      {f.SpeedButton3, {168, 448, 25, 65}, {}},
      {f.Label1, {8, 16, 160, 20}, "设备名称Device Name："},
      {f.Edit1, {184, 14, 113, 24}, ""},
      {f.Edit8, {184, 61, 113, 24}, "virtual"},
      {f.Edit9, {184, 85, 113, 24}, "0.0"},
      {f.Edit10, {184, 140, 113, 24}, "0"},
      {f.Edit4, {184, 164, 97, 24}, "1"},
      {f.UpDown1, {281, 164, 16, 24}, {}},
      {f.EditAddr, {184, 189, 113, 24}, "1"},
      {f.Label12, {8, 216, 160, 20}, "灯具序号Serial number："},
      {f.Edit35, {184, 216, 113, 24}, "0"},
      {f.Edit5, {472, 14, 121, 24}, "dummy"},
      {f.Edit33, {472, 38, 121, 24}, "unknown"},
      {f.Edit34, {472, 61, 121, 24}, "unknown"},
      {f.Button4, {592, 61, 89, 28}, "复位Reset"},
      {f.MinLimitBoxes[2], {520, 86, 25, 24}, "0"},
      {f.MaxLimitBoxes[7], {640, 110, 25, 24}, "255"},
      {f.ErrorSceneBoxes[0], {472, 134, 25, 24}, "255"},
      {f.DimmSwitchBoxes[7], {640, 160, 17, 17}, {}},
      {f.Label13, {320, 192, 177, 20}, "开始灯具序号 Start Fixture："},
      {f.EditStart, {512, 192, 153, 24}, "0"},
      {f.EditChannel, {512, 216, 153, 24}, "0"},
      {f.EditEnd, {512, 240, 153, 24}, "0"},
      {f.BitBtn1, {320, 264, 345, 41}, "批量写码 ADDR"},
      {f.BitBtnRead, {8, 264, 129, 41}, " 读（Read）"},
      {f.BitBtnWrite, {168, 264, 129, 41}, " 写（Write）"},
      {f.PaintBox1, {8, 8, 417, 241}, {}},
      {f.Label28, {208, 269, 60, 16}, "000"},
      {f.Button6, {24, 264, 51, 25}, "Read"},
      {f.Button9, {304, 264, 51, 25}, "Load"},
      {f.StringGrid, {280, 8, 385, 273}, {}},
      {f.BitBtnNetworkStatus, {24, 88, 233, 49}, " 网络状态 Network Status"},
      {f.BitBtnbShowData, {24, 160, 233, 49}, "   显示数据     Show  Data"},
      {f.BitBtnMIN, {24, 232, 233, 49}, "      最小化       Min   imize"},
  };
  for (const auto& c : controls) {
    EXPECT_EQ(c.widget->geometry(), c.place) << c.widget->metaObject()->className();
    if (c.text.isNull()) continue;
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(c.widget)) text = b->text();
    if (auto* e = qobject_cast<QLineEdit*>(c.widget)) text = e->text();
    if (auto* l = qobject_cast<QLabel*>(c.widget)) text = l->text();
    EXPECT_EQ(text, c.text);
  }
  EXPECT_EQ(f.MinLimitBoxes[2]->objectName(), "Edit11");
  EXPECT_EQ(f.Edit1->maxLength(), 32);
  EXPECT_TRUE(f.Edit2->isReadOnly());
  EXPECT_EQ(BoxColour(f.Edit5), QColor(0, 255, 0));
  EXPECT_EQ(BoxColour(f.Edit33), QColor(128, 128, 128));
  EXPECT_EQ(f.UpDown1->Min(), 1);
  EXPECT_EQ(f.UpDown1->Max(), 1);
  EXPECT_FALSE(f.ValueListEditor1->isVisibleTo(&f));
  EXPECT_EQ(f.StringGrid->columnCount(), 17);
  EXPECT_EQ(f.StringGrid->rowCount(), 33);
  EXPECT_EQ(f.SavePatch.defaultExtension, "pat");
  EXPECT_EQ(f.OpenPatch.filter, "Patchfile|*.pat");
}

TEST_F(WindowTest, TheBannerOpensTheMakersWebPage) {
  Start({}, false);
  form->Image1Click();
  ASSERT_EQ(openedAddresses.size(), 1u);
  EXPECT_EQ(openedAddresses[0], QString(kMakerWebAddress));
}

TEST_F(WindowTest, AnErrorInANestedChangeHandlerEndsTheOuterHandlerWithOneErrorBox) {
  Start({}, false);
  QLineEdit box;
  QObject::connect(&box, &QLineEdit::textChanged, [this] {
    form->RunHandler([] { throw ConversionError("'x' is not a valid integer value"); });
  });
  bool outerWentOn = false;
  form->RunHandler([&] {
    form->SetText(&box, "x");
    outerWentOn = true;
  });
  EXPECT_FALSE(outerWentOn);
  ASSERT_EQ(errorBoxes.size(), 1u);
  EXPECT_EQ(errorBoxes[0], "'x' is not a valid integer value");
}

TEST_F(WindowTest, WhileAHandlerRunsOperatorInputAndWindowTimersAreHeldOff) {
  line.Unplug();
  Start({}, false);
  int clicks = 0;
  const std::size_t mark = LogMark();
  QObject::connect(form->Button4, &QPushButton::clicked, [&] { ++clicks; });
  form->RunHandler([&] {
    EXPECT_TRUE(form->Busy());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form->Button4, &press);
    QApplication::sendEvent(form->Button4, &release);
    QTimerEvent tick(form->StartUpTimer->timerId());
    QApplication::sendEvent(form->StartUpTimer, &tick);
  });
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(LogSince(mark).empty());  // the start-up tick did not run in between
  EXPECT_FALSE(form->Busy());

  // Only work long enough to pump the window shows the busy cursor, until it ends.
  form->RunHandler([] { EXPECT_EQ(QApplication::overrideCursor(), nullptr); });
  form->RunHandler([this] {
    form->KeepAlive();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  });
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Work posted while busy runs once the window is idle again, not in between.
  std::vector<int> order;
  form->RunHandler([&] {
    form->RunWhenIdle([&] { order.push_back(2); });
    order.push_back(1);
  });
  QCoreApplication::processEvents();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

// The packet dumps of the log, checked against the frames the line carried.
using PacketDumpTest = FormTest;

TEST_F(PacketDumpTest, ARequestAndItsReplyAreLoggedFieldByField) {
  constexpr Uid kSpot = 0x4A4C'0000'0012ULL;
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n");
  Start({Fixture(kSpot)});
  form->SelectPosition(0);
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  Click(form->BitBtnIdentify);
  // Message length, destination, source, transaction, port (the reply's
  // response type: ACK), message count, sub-device, command class, PID, PDL,
  // data, checksum; all in hex.
  EXPECT_THAT(LogSince(mark),
              ElementsAre("Request__:19 4A4C00000012 888800000001 01 01 00 0000 30 1000 01 01 02E3",
                          "Response_:18 888800000001 4A4C00000012 01 00 00 0000 31 1000 00 02E0"));
  EXPECT_THAT(RequestsSince(requests),
              ElementsAre(WireRequest{kSpot, rdm::kSetCommand, rdm::kPidIdentifyDevice, {0x01}}));
}

TEST_F(PacketDumpTest, TheDumpShowsTwentyNineDataBytesAndTheLineCarriesThemAll) {
  constexpr Uid kSpot = 0x4A4C'0000'0012ULL;
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n");
  Start({Fixture(kSpot)});
  form->SelectPosition(0);
  Click(form->BitBtnRead);
  const std::string name(32, 'n');
  form->Edit1->setText(QString::fromStdString(name));
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  Click(form->BitBtnWrite);
  const auto logged = RequestsIn(LogSince(mark));
  const auto sent = RequestsSince(requests, rdm::kSetCommand, rdm::kPidDeviceLabel);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].data, std::vector<std::uint8_t>(name.begin(), name.end()));
  const auto dumped = std::find_if(logged.begin(), logged.end(), [](const SentRequest& r) {
    return r.commandClass == rdm::kSetCommand && r.pid == rdm::kPidDeviceLabel;
  });
  ASSERT_NE(dumped, logged.end());
  EXPECT_EQ(dumped->destination, "4A4C00000012");
  EXPECT_EQ(dumped->data, std::vector<std::uint8_t>(29, 'n'));
  // Every other request is dumped whole, in the order the line carried them.
  const auto all = RequestsSince(requests);
  ASSERT_EQ(logged.size(), all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(logged[i].destination, UidText12(all[i].destination)) << i;
    EXPECT_EQ(logged[i].commandClass, all[i].commandClass) << i;
    EXPECT_EQ(logged[i].pid, all[i].pid) << i;
    if (all[i].data.size() <= 29) {
      EXPECT_EQ(logged[i].data, all[i].data) << i;
    }
  }
}

}  // namespace
}  // namespace korval::testing
