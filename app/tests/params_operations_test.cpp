// The parameter operations one by one, on the virtual rig.
#include "app/tests/params_fixture.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kSpot = 0x4A4C'00000012;
constexpr Uid kWash = 0x4A4C'00000013;
const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);

using ParamsOperationsTest = ParamsTest;

TEST_F(ParamsOperationsTest, AFailedSupportedParametersLeavesOnlyTheFourAlwaysSupported) {
  auto config = Fixture(kSpot);
  config.faults.nack_all = true;
  StartListed({Fixture(kWash), config});
  form->namesList.SetName("4a4c00000012", "From the list");
  Page().GetSupportedParameters(kWash);
  ASSERT_TRUE(Page().IsPidSupported(kPidDeviceLabel));

  form->SelectPosition(1);
  line.ClearRequests();
  Click(form->BitBtnRead);
  for (std::uint16_t pid :
       {kPidIdentifyDevice, kPidDeviceInfo, kPidSoftwareVersionLabel, kPidDmxStartAddress}) {
    EXPECT_TRUE(Page().IsPidSupported(pid));
  }
  for (std::uint16_t pid : sim::AllOptionalParameters()) EXPECT_FALSE(Page().IsPidSupported(pid));
  // Only the two requests that pass without the list went out.
  const auto sent = LineRequests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].pid, kPidSupportedParameters);
  EXPECT_EQ(sent[1].pid, kPidDeviceInfo);
  EXPECT_EQ(form->Edit1->text(), "From the list");
  EXPECT_EQ(form->Edit2->text(), "unknown");
  EXPECT_EQ(form->Edit33->text(), "unknown");
  EXPECT_EQ(form->Edit34->text(), "unknown");
  EXPECT_EQ(form->Edit5->text(), "unknown");
  EXPECT_FALSE(form->CheckBox1->isChecked());
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(BoxColour(form->MaxLimitBoxes[k]), kGrey);
    EXPECT_FALSE(form->DimmSwitchBoxes[k]->isChecked());
  }
}

TEST_F(ParamsOperationsTest, DeviceInfoFillsTheFieldsAndANackKeepsThePreviousDevices) {
  auto spot = Fixture(kSpot);
  spot.category = 0x0504;
  spot.software_version = 0x010200FF;
  spot.footprint = 16;
  spot.personality = 3;
  spot.personality_count = 4;
  auto wash = Fixture(kWash);
  wash.category = 0x0100;
  StartListed({spot, wash});

  OnPage(&ParameterPage::GetDeviceInfo, kSpot);
  EXPECT_EQ(form->Edit8->text(), "Switch");
  EXPECT_EQ(form->Edit9->text(), "1.2.0.255");
  EXPECT_EQ(form->Edit10->text(), "16");
  EXPECT_EQ(form->UpDown1->Min(), 1);
  EXPECT_EQ(form->UpDown1->Max(), 4);
  EXPECT_EQ(form->UpDown1->Position(), 3);
  EXPECT_EQ(form->Edit4->text(), "3");
  EXPECT_EQ(
      Outline(LogSince(LogMark() - 3)),
      (std::vector<std::string>{"Request", "Response", "Getting device info of 0x4A4C00000012"}));

  Device(kWash).Faults().nack_all = true;
  auto mark = LogMark();
  OnPage(&ParameterPage::GetDeviceInfo, kWash);
  EXPECT_EQ(Outline(LogSince(mark)), (std::vector<std::string>{"Request", "Response"}));
  EXPECT_EQ(form->Edit8->text(), "Switch");
  EXPECT_EQ(form->Edit9->text(), "1.2.0.255");
  EXPECT_EQ(form->UpDown1->Position(), 3);

  Device(kWash).Faults().nack_all = false;
  OnPage(&ParameterPage::GetDeviceInfo, kWash);
  EXPECT_EQ(form->Edit8->text(), "unknown");
  EXPECT_EQ(form->UpDown1->Max(), 1);
  EXPECT_EQ(form->UpDown1->Position(), 1);
}

TEST_F(ParamsOperationsTest, SetDeviceLabelSendsWindows1252CutAt32OrStoresTheName) {
  auto spot = Fixture(kSpot);
  spot.label = "old";
  StartListed({spot, Supporting(kWash, {kPidStatusMessages})});
  Page().GetSupportedParameters(kSpot);

  Put(form->Edit1, "");
  auto mark = LogMark();
  line.ClearRequests();
  OnPage(&ParameterPage::SetDeviceLabel, kSpot);
  auto sent = LineRequests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].commandClass, kSetCommand);
  EXPECT_EQ(sent[0].pid, kPidDeviceLabel);
  EXPECT_TRUE(sent[0].data.empty());
  EXPECT_EQ(LogSince(mark)[0], "Setting device name of 0x4A4C00000012");
  EXPECT_EQ(Device(kSpot).Label(), "");

  Put(form->Edit1, "Hot 80°C €");
  OnPage(&ParameterPage::SetDeviceLabel, kSpot);
  EXPECT_EQ(Device(kSpot).Label(),
            "Hot 80\xB0"
            "C \x80");

  // The box takes 32 typed characters, but code may put more there.
  form->Edit1->setMaxLength(40);
  Put(form->Edit1, QString(40, 'n'));
  mark = LogMark();
  line.ClearRequests();
  OnPage(&ParameterPage::SetDeviceLabel, kSpot);
  sent = LineRequests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].data, std::vector<std::uint8_t>(32, 'n'));
  EXPECT_EQ(RequestsIn(LogSince(mark))[0].data.size(), 29u);  // the dump shows at most 29 bytes
  EXPECT_EQ(Device(kSpot).Label(), std::string(32, 'n'));

  Page().GetSupportedParameters(kWash);
  Put(form->Edit1, "Wash");
  mark = LogMark();
  OnPage(&ParameterPage::SetDeviceLabel, kWash);
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_EQ(form->namesList.GetName("4A4C00000013"), "Wash");
  EXPECT_EQ(ReadFile("devnames.lst"), "4A4C00000013=Wash\r\n");

  // Line breaks a device put in its label do not split the file's line.
  Put(form->Edit1, "Wash\r\nleft");
  OnPage(&ParameterPage::SetDeviceLabel, kWash);
  EXPECT_EQ(ReadFile("devnames.lst"), "4A4C00000013=Wash??left\r\n");
}

TEST_F(ParamsOperationsTest, EightChannelRowsReadWhiteAndSendTheLowByte) {
  auto spot = Supporting(kSpot, {kPidMinLimits, kPidMaxLimits, kPidErrorScene, kPidDimmSwitch});
  spot.min_limits = {1, 2, 3, 4, 5, 6, 7, 8};
  spot.dimm_switch = 0x81;
  StartListed({spot});
  Page().GetSupportedParameters(kSpot);
  for (QLineEdit* box : form->MinLimitBoxes) SetBoxColour(box, Qt::red);
  for (QCheckBox* box : form->DimmSwitchBoxes) box->setChecked(true);
  OnPage(&ParameterPage::GetMinLimits, kSpot);
  OnPage(&ParameterPage::GetDimmSwitch, kSpot);
  const char* names[] = {"Edit6",  "Edit7",  "Edit11", "Edit12",
                         "Edit13", "Edit14", "Edit15", "Edit16"};
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(form->MinLimitBoxes[k]->objectName(), names[k]);
    EXPECT_EQ(form->MinLimitBoxes[k]->text(), QString::number(k + 1));
    EXPECT_EQ(BoxColour(form->MinLimitBoxes[k]), kWhite);
    EXPECT_EQ(form->DimmSwitchBoxes[k]->isChecked(), k == 0 || k == 7) << k;
  }

  const QString typed[] = {"300", "256", "-1", "0", "$10", " 7 ", "255", "44"};
  for (int k = 0; k < 8; ++k) Put(form->MaxLimitBoxes[k], typed[k]);
  const auto mark = LogMark();
  OnPage(&ParameterPage::SetMaxLimits, kSpot);
  EXPECT_EQ(LogSince(mark)[0], "Set max limits of 0x4A4C00000012");
  EXPECT_EQ(Device(kSpot).Values().max_limits,
            (std::array<std::uint8_t, 8>{44, 0, 255, 0, 16, 7, 255, 44}));

  form->DimmSwitchBoxes[0]->setChecked(false);
  form->DimmSwitchBoxes[3]->setChecked(true);
  OnPage(&ParameterPage::SetDimmSwitch, kSpot);
  EXPECT_EQ(Device(kSpot).Values().dimm_switch, 0x88);
}

TEST_F(ParamsOperationsTest, ARowThatFailsTurnsGreyAndKeepsItsTexts) {
  StartListed({Supporting(kSpot, {kPidErrorScene})});
  Page().GetSupportedParameters(kSpot);
  for (int k = 0; k < 8; ++k) Put(form->ErrorSceneBoxes[k], QString::number(10 + k));
  Device(kSpot).Faults().nack_all = true;
  OnPage(&ParameterPage::GetErrorScene, kSpot);
  OnPage(&ParameterPage::GetMinLimits, kSpot);  // not supported
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(form->ErrorSceneBoxes[k]->text(), QString::number(10 + k));
    EXPECT_EQ(BoxColour(form->ErrorSceneBoxes[k]), kGrey);
    EXPECT_EQ(BoxColour(form->MinLimitBoxes[k]), kGrey);
  }
}

TEST_F(ParamsOperationsTest, IdentifyTogglesOneFlagWhateverIsSelected) {
  constexpr Uid kScratch = 0x4A4C'00000099;
  StartListed({Fixture(kSpot), Fixture(kWash), Fixture(kScratch)});
  List({kSpot, kWash});
  form->deviceTable.slots[0] = kScratch;  // where discovery left the UID it found last

  struct Step {
    int select;
    Uid target;
    std::uint8_t sent;
  };
  const std::vector<Step> steps = {
      {0, kSpot, 1}, {0, kSpot, 0}, {1, kWash, 1}, {0, kSpot, 0}, {-1, kScratch, 1},
  };
  for (const Step& s : steps) {
    form->SelectPosition(s.select);
    ShowPage(form->TabSheet3);
    const auto mark = LogMark();
    line.ClearRequests();
    Click(form->BitBtnIdentify);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    const auto sent = LineRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].destination, UidText12(s.target));
    EXPECT_EQ(sent[0].commandClass, kSetCommand);
    EXPECT_EQ(sent[0].pid, kPidIdentifyDevice);
    EXPECT_EQ(sent[0].data, std::vector<std::uint8_t>{s.sent});
    EXPECT_EQ(Device(s.target).Identify(), s.sent == 1);
    EXPECT_EQ(Outline(LogSince(mark)), (std::vector<std::string>{"Request", "Response"}));
  }

  // The flag flips even when nobody answers.
  Device(kScratch).Faults().silent = true;
  Click(form->BitBtnIdentify);
  EXPECT_EQ(Page().IdentifyState, 0);
}

}  // namespace
}  // namespace korval::testing
