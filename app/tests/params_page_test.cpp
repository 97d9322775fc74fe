// Reading and writing the whole parameter page of the selected device.
#include <algorithm>

#include "app/tests/params_fixture.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kSpot = 0x4A4C'00000012;
constexpr Uid kWash = 0x4A4C'00000013;
constexpr Uid kBar = 0x4A4C'00000014;
const QColor kYellow(255, 255, 0);

// Nine PIDs fill the list; these nine cover the first half of a full read...
std::vector<std::uint16_t> ReadFirstHalf() {
  return {kPidStatusMessages, kPidDeviceLabel, kPidManufacturerLabel, kPidPanInvert, kPidTiltInvert,
          kPidPanTiltSwap,    kPidDeviceHours, kPidLampHours,         kPidMinLimits};
}
// ...and these the set steps of a write.
std::vector<std::uint16_t> WriteAll() {
  return {kPidDmxPersonality, kPidDeviceLabel, kPidPanInvert,  kPidTiltInvert, kPidPanTiltSwap,
          kPidMinLimits,      kPidMaxLimits,   kPidErrorScene, kPidDimmSwitch};
}

using ParamsPageTest = ParamsTest;

TEST_F(ParamsPageTest, AFullReadLogsEachOperationInOrder) {
  auto spot = Supporting(kSpot, ReadFirstHalf());
  spot.label = "Spot";
  auto bar = Supporting(kBar, {kPidMaxLimits, kPidErrorScene, kPidDimmSwitch});
  StartListed({spot, bar});
  form->SelectPosition(0);
  form->BitBtnWrite->setEnabled(false);

  auto mark = LogMark();
  Click(form->BitBtnRead);
  const std::string s = "4A4C00000012";
  EXPECT_EQ(Outline(LogSince(mark)), (std::vector<std::string>{"Getting parameters of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Request",
                                                               "Response",
                                                               "Getting device info of 0x" + s,
                                                               "Getting status of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Getting device name of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Getting manufacturer of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Get pan inversion of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Get tilt inversion of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Get axis swap of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Getting dev hours of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Getting lamp hours of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Get min limits of 0x" + s,
                                                               "Request",
                                                               "Response"}));
  EXPECT_TRUE(form->BitBtnWrite->isEnabled());
  EXPECT_EQ(form->Edit1->text(), "Spot");

  form->SelectPosition(1);
  mark = LogMark();
  Click(form->BitBtnRead);
  const std::string b = "4A4C00000014";
  EXPECT_EQ(Outline(LogSince(mark)),
            (std::vector<std::string>{"Getting parameters of 0x" + b, "Request", "Response",
                                      "Request", "Response", "Getting device info of 0x" + b,
                                      "Get max limits of 0x" + b, "Request", "Response",
                                      "Get error scene of 0x" + b, "Request", "Response",
                                      "Get Dimm/Switch of 0x" + b, "Request", "Response"}));
  // The label is not supported: the names list stands in, and has nothing.
  EXPECT_EQ(form->Edit1->text(), "");
}

TEST_F(ParamsPageTest, TwoReadsInARowGiveTheSameLog) {
  StartListed({Fixture(kSpot)});
  form->SelectPosition(0);
  Put(form->EditAddr, "1");
  auto mark = LogMark();
  Click(form->BitBtnRead);
  const auto first = Outline(LogSince(mark));
  mark = LogMark();
  Click(form->BitBtnRead);
  EXPECT_EQ(Outline(LogSince(mark)), first);
  EXPECT_GT(first.size(), 20u);
}

TEST_F(ParamsPageTest, ReadWithNothingSelectedTakesTheFirstDevice) {
  StartListed({Fixture(kSpot), Fixture(kWash), Fixture(kBar)});
  Put(form->Edit35, "7");
  const auto mark = LogMark();
  Click(form->BitBtnRead);
  EXPECT_EQ(form->SelectedPosition(), 0);
  EXPECT_EQ(BoxColour(form->Edit35), kYellow);
  EXPECT_EQ(form->Edit35->text(), "7");
  EXPECT_EQ(LogSince(mark)[0], "Getting parameters of 0x4A4C00000012");
}

TEST_F(ParamsPageTest, ReadOrWriteWithNoDeviceOnlyLogsNoDevice) {
  StartListed({});
  form->BitBtnWrite->setEnabled(false);
  const QColor before = BoxColour(form->Edit35);
  const auto mark = LogMark();
  Click(form->BitBtnRead);
  form->BitBtnWrite->setEnabled(true);
  Click(form->BitBtnWrite);
  EXPECT_EQ(LogSince(mark), (std::vector<std::string>{"NO device", "NO device"}));
  EXPECT_EQ(BoxColour(form->Edit35), before);
  EXPECT_EQ(line.RdmRequestCount(), 0u);

  // The write makes no selection of its own, even with devices listed.
  List({kSpot});
  Click(form->BitBtnWrite);
  EXPECT_EQ(LogSince(mark).back(), "NO device");
  EXPECT_EQ(form->SelectedPosition(), -1);
}

TEST_F(ParamsPageTest, AReadFillsEveryField) {
  auto spot = Supporting(
      kSpot, {kPidStatusMessages, kPidDeviceLabel, kPidManufacturerLabel, kPidPanInvert,
              kPidDeviceHours, kPidLampHours, kPidMinLimits, kPidErrorScene, kPidDimmSwitch});
  spot.label = "Front wash";
  spot.manufacturer = "KORVAL";
  spot.category = 0x0509;
  spot.software_version = 0x01000203;
  spot.footprint = 12;
  spot.personality = 2;
  spot.personality_count = 5;
  spot.start_address = 1;
  spot.pan_invert = 1;
  spot.device_hours = 1200;
  spot.lamp_hours = 300;
  spot.min_limits = {9, 8, 7, 6, 5, 4, 3, 2};
  spot.error_scene = {0, 0, 0, 0, 0, 0, 0, 77};
  spot.dimm_switch = 0x02;
  spot.status_messages = {{0x03, 0x0022, 2, 5}};
  StartListed({spot});
  form->SelectPosition(0);
  Click(form->BitBtnRead);
  EXPECT_EQ(form->Edit1->text(), "Front wash");
  EXPECT_EQ(form->Edit2->text(), "KORVAL");
  EXPECT_EQ(form->Edit8->text(), "LED Dimmer");
  EXPECT_EQ(form->Edit9->text(), "1.0.2.3");
  EXPECT_EQ(form->Edit10->text(), "12");
  EXPECT_EQ(form->Edit4->text(), "2");
  EXPECT_EQ(form->UpDown1->Max(), 5);
  EXPECT_EQ(form->EditAddr->text(), "1");
  EXPECT_EQ(form->Edit5->text(), "Temperature 2 too low, 5");
  EXPECT_TRUE(form->CheckBox1->isChecked());
  EXPECT_EQ(form->Edit33->text(), "1200");
  EXPECT_EQ(form->Edit34->text(), "300");
  EXPECT_EQ(form->MinLimitBoxes[7]->text(), "2");
  EXPECT_EQ(form->ErrorSceneBoxes[7]->text(), "77");
  EXPECT_EQ(BoxColour(form->MaxLimitBoxes[0]), QColor(128, 128, 128));
  EXPECT_TRUE(form->DimmSwitchBoxes[1]->isChecked());
  EXPECT_FALSE(form->DimmSwitchBoxes[0]->isChecked());
}

TEST_F(ParamsPageTest, AWriteSendsEveryFieldThenRereadsDeviceInfo) {
  auto spot = Supporting(kSpot, WriteAll());
  spot.personality = 2;
  spot.personality_count = 3;
  spot.label = "old";
  spot.start_address = 40;
  spot.pan_invert = 1;
  spot.min_limits = {5, 5, 5, 5, 5, 5, 5, 5};
  spot.error_scene = {1, 1, 1, 1, 1, 1, 1, 1};
  spot.dimm_switch = 0xFF;
  StartListed({spot});
  form->SelectPosition(0);
  Click(form->BitBtnRead);
  // What the operator made of the page goes out, every field of it.
  form->UpDown1->SetPosition(1);
  Put(form->Edit1, "");
  Put(form->EditAddr, "1");
  Click(form->CheckBox1);
  for (QLineEdit* box : form->MinLimitBoxes) Put(box, "0");
  for (QLineEdit* box : form->ErrorSceneBoxes) Put(box, "255");
  for (QCheckBox* box : form->DimmSwitchBoxes) box->setChecked(false);
  ASSERT_TRUE(form->BitBtnWrite->isEnabled());
  const auto mark = LogMark();
  const auto before = Now();
  Click(form->BitBtnWrite);

  const auto& v = Device(kSpot).Values();
  EXPECT_EQ(v.personality, 1);
  EXPECT_EQ(v.label, "");
  EXPECT_EQ(v.start_address, 1);
  EXPECT_EQ(v.pan_invert, 0);
  EXPECT_EQ(v.min_limits, (std::array<std::uint8_t, 8>{}));
  EXPECT_EQ(v.max_limits, (std::array<std::uint8_t, 8>{255, 255, 255, 255, 255, 255, 255, 255}));
  EXPECT_EQ(v.error_scene, (std::array<std::uint8_t, 8>{255, 255, 255, 255, 255, 255, 255, 255}));
  EXPECT_EQ(v.dimm_switch, 0);
  EXPECT_GE(Now() - before, std::chrono::milliseconds(400));

  const std::string s = "4A4C00000012";
  EXPECT_EQ(Outline(LogSince(mark)), (std::vector<std::string>{"Getting parameters of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Setting personality of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Setting device name of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Set pan inversion of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Set tilt inversion of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Set axis swap of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Setting start address of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Set min limits of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Set max limits of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Set error scene of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Set Dimm/Switch of 0x" + s,
                                                               "Request",
                                                               "Response",
                                                               "Request",
                                                               "Response",
                                                               "Getting device info of 0x" + s}));
  EXPECT_TRUE(form->BitBtnWrite->isEnabled());
}

TEST_F(ParamsPageTest, AWriteToADeviceWithoutLabelStoresTheNameInTheFile) {
  StartListed({Supporting(kWash, {kPidDmxPersonality})});
  form->SelectPosition(0);
  Click(form->BitBtnRead);
  Put(form->Edit1, "Wash");
  line.ClearRequests();
  Click(form->BitBtnWrite);
  EXPECT_EQ(ReadFile("devnames.lst"), "4A4C00000013=Wash\r\n");
  for (const auto& r : LineRequests()) EXPECT_NE(r.pid, kPidDeviceLabel);

  // A name longer than the 32 typed characters is read whole and goes back whole.
  const std::string longName(40, 'w');
  form->namesList.SetName("4A4C00000013", longName);
  Click(form->BitBtnRead);
  EXPECT_EQ(form->Edit1->text().toStdString(), longName);
  Click(form->BitBtnWrite);
  EXPECT_EQ(ReadFile("devnames.lst"), "4A4C00000013=" + longName + "\r\n");
}

TEST_F(ParamsPageTest, ABoxThatIsNotAnIntegerStopsTheWriteThere) {
  StartListed({Supporting(kSpot, WriteAll())});
  form->SelectPosition(0);
  Click(form->BitBtnRead);
  Put(form->MinLimitBoxes[2], "x");
  const auto mark = LogMark();
  line.ClearRequests();
  Click(form->BitBtnWrite);
  EXPECT_EQ(errorBoxes, (std::vector<QString>{"'x' is not a valid integer value"}));
  const auto lines = LogSince(mark);
  EXPECT_EQ(lines.back(), "Set min limits of 0x4A4C00000012");
  std::vector<std::uint16_t> pids;
  for (const auto& r : LineRequests()) pids.push_back(r.pid);
  EXPECT_EQ(pids, (std::vector<std::uint16_t>{kPidSupportedParameters, kPidDmxPersonality,
                                              kPidDeviceLabel, kPidPanInvert, kPidTiltInvert,
                                              kPidPanTiltSwap, kPidDmxStartAddress}));
}

TEST_F(ParamsPageTest, GreyRowsOfAnotherDeviceAreWrittenAsTheyStand) {
  auto spot = Supporting(kSpot, {kPidMinLimits});
  spot.min_limits = {11, 12, 13, 14, 15, 16, 17, 18};
  auto wash = Supporting(kWash, {kPidMinLimits, kPidMaxLimits});
  StartListed({spot, wash});
  form->SelectPosition(0);
  Click(form->BitBtnRead);
  Device(kWash).Faults().nack_all = true;
  form->SelectPosition(1);
  Click(form->BitBtnRead);
  EXPECT_EQ(BoxColour(form->MinLimitBoxes[0]), QColor(128, 128, 128));
  Device(kWash).Faults().nack_all = false;
  line.ClearRequests();
  Click(form->BitBtnWrite);
  EXPECT_EQ(Device(kWash).Values().min_limits,
            (std::array<std::uint8_t, 8>{11, 12, 13, 14, 15, 16, 17, 18}));
  for (const auto& r : LineRequests()) EXPECT_NE(r.pid, kPidErrorScene);
}

TEST_F(ParamsPageTest, AListClickOnTheRdmPageReadsTheDevice) {
  auto wash = Fixture(kWash);
  wash.label = "Wash";
  StartListed({Fixture(kSpot), wash});
  const auto mark = LogMark();
  SelectListItem(1);
  const auto lines = LogSince(mark);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "device:1");
  EXPECT_EQ(lines[1], "Getting parameters of 0x4A4C00000013");
  EXPECT_EQ(form->Edit35->text(), "1");
  EXPECT_EQ(BoxColour(form->Edit35), kYellow);
  EXPECT_EQ(form->Edit1->text(), "Wash");
  EXPECT_TRUE(form->BitBtnWrite->isEnabled());

  // The same device again: the serial-number box does not change, so only the
  // read is logged, and it is the read of before.
  const auto again = LogMark();
  SelectListItem(1);
  EXPECT_EQ(Outline(LogSince(again)), Outline({lines.begin() + 1, lines.end()}));
}

TEST_F(ParamsPageTest, AListClickOnTheOtherPagesReadsNothing) {
  StartListed({Fixture(kSpot), Fixture(kWash)});
  for (QWidget* page : {form->TabSheet2, form->TabSheet3}) {
    ShowPage(page);
    for (bool enabled : {false, true}) {
      form->BitBtnWrite->setEnabled(enabled);
      const auto requests = line.RdmRequestCount();
      SelectListItem(1);
      EXPECT_EQ(line.RdmRequestCount(), requests);
      EXPECT_EQ(form->BitBtnWrite->isEnabled(), enabled);
      EXPECT_EQ(form->Edit35->text(), "0");
    }
  }
}

TEST_F(ParamsPageTest, StartAddress65535IsShownAndWrittenAs512) {
  auto spot = Supporting(kSpot, {kPidDeviceLabel});
  spot.start_address = 65535;
  StartListed({spot});
  form->SelectPosition(0);
  auto mark = LogMark();
  Click(form->BitBtnRead);
  EXPECT_EQ(form->EditAddr->text(), "512");
  const auto lines = LogSince(mark);
  const auto info = std::find(lines.begin(), lines.end(), "Getting device info of 0x4A4C00000012");
  ASSERT_NE(info, lines.end());
  EXPECT_EQ(*(info + 1), "DMX Address:512");

  mark = LogMark();
  line.ClearRequests();
  Click(form->BitBtnWrite);
  const auto sent = LineRequests();
  const auto address = std::find_if(
      sent.begin(), sent.end(), [](const SentRequest& r) { return r.pid == kPidDmxStartAddress; });
  ASSERT_NE(address, sent.end());
  EXPECT_EQ(address->data, (std::vector<std::uint8_t>{0x02, 0x00}));
  EXPECT_EQ(Device(kSpot).StartAddress(), 512);
}

}  // namespace
}  // namespace korval::testing
