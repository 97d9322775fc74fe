// Replies the virtual rig never gives, scripted byte for byte.
#include "app/tests/params_fixture.h"
#include "rdm/rdm_constants.h"
#include "rdm/tests/scripted_line.h"

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kSpot = 0x4A4C'00000012;

std::vector<std::uint8_t> Reply(std::uint16_t pid, std::vector<std::uint8_t> data,
                                std::uint8_t responseType = kResponseAck) {
  std::vector<std::uint8_t> r = {kStartCode, kSubStartCode,
                                 static_cast<std::uint8_t>(kHeaderBytes + data.size())};
  const auto to = UidToBytes(kControllerUid);
  const auto from = UidToBytes(kSpot);
  r.insert(r.end(), to.begin(), to.end());
  r.insert(r.end(), from.begin(), from.end());
  r.insert(r.end(), {0x01, responseType, 0x00, 0x00, 0x00, kGetCommandResponse,
                     static_cast<std::uint8_t>(pid >> 8), static_cast<std::uint8_t>(pid),
                     static_cast<std::uint8_t>(data.size())});
  r.insert(r.end(), data.begin(), data.end());
  const std::uint16_t sum = RdmChecksum(r);
  r.push_back(static_cast<std::uint8_t>(sum >> 8));
  r.push_back(static_cast<std::uint8_t>(sum));
  return r;
}

class ParamsScriptedTest : public ParamsTest {
 protected:
  ParamsScriptedTest() {
    transport = std::make_unique<RdmTransport>(scripted, LogSink{});
    form = std::make_unique<TForm1>(*transport, artNetOptions);
    form->showErrorBox = [this](const QString& text) { errorBoxes.push_back(text); };
    transport->Frame().FillFixedFields();
    LineHandle handle = 0;
    scripted.Open(0, &handle);
    transport->SetHandle(handle);
    Page().SupportedPids = {kPidMinLimits, kPidDeviceLabel, kPidDimmSwitch, kPidPanInvert,
                            kPidStatusMessages};
  }
  ~ParamsScriptedTest() override {
    form.reset();
    transport.reset();
  }

  ScriptedLine scripted;
};

TEST_F(ParamsScriptedTest, AMinimumLimitsReplyOfThreeBytesFillsThreeBoxes) {
  for (int k = 0; k < 8; ++k) form->MinLimitBoxes[k]->setText("old");
  scripted.replies.push_back(Reply(kPidMinLimits, {10, 20, 30}));
  OnPage(&ParameterPage::GetMinLimits, kSpot);
  for (int k = 0; k < 8; ++k) {
    const bool filled = k < 3;
    EXPECT_EQ(form->MinLimitBoxes[k]->text(), filled ? QString::number(10 * (k + 1)) : "old");
    EXPECT_EQ(BoxColour(form->MinLimitBoxes[k]),
              filled ? QColor(255, 255, 255) : QColor(128, 128, 128));
  }
  // An empty reply fills nothing: the checksum that follows the header is not a value.
  scripted.replies.push_back(Reply(kPidMinLimits, {}));
  OnPage(&ParameterPage::GetMinLimits, kSpot);
  EXPECT_EQ(form->MinLimitBoxes[0]->text(), "10");
  EXPECT_EQ(BoxColour(form->MinLimitBoxes[0]), QColor(128, 128, 128));
}

TEST_F(ParamsScriptedTest, ShortOrNotAcknowledgedRepliesSetNothing) {
  form->Edit1->setText("kept");
  scripted.replies.push_back(Reply(kPidDeviceLabel, {'N', 'o'}, kResponseNackReason));
  OnPage(&ParameterPage::GetDeviceLabel, kSpot);
  EXPECT_EQ(form->Edit1->text(), "kept");

  scripted.replies.push_back(Reply(kPidDeviceLabel, {}));
  OnPage(&ParameterPage::GetDeviceLabel, kSpot);
  EXPECT_EQ(form->Edit1->text(), "");

  for (QCheckBox* box : form->DimmSwitchBoxes) box->setChecked(true);
  scripted.replies.push_back(Reply(kPidDimmSwitch, {}));
  OnPage(&ParameterPage::GetDimmSwitch, kSpot);
  for (QCheckBox* box : form->DimmSwitchBoxes) EXPECT_FALSE(box->isChecked());

  scripted.replies.push_back(Reply(kPidPanInvert, {}));
  OnPage(&ParameterPage::GetPanTiltSettings, kSpot);
  EXPECT_FALSE(form->CheckBox1->isChecked());
}

TEST_F(ParamsScriptedTest, TwelveListedPidsInOneReplyKeepNine) {
  std::vector<std::uint8_t> twelve;
  for (std::uint16_t pid : {0x0082, 0x0081, 0x00E0, 0x0030, 0x0400, 0x0401, 0x0600, 0x0601, 0x0602,
                            0x0300, 0x0301, 0x0304}) {
    twelve.push_back(static_cast<std::uint8_t>(pid >> 8));
    twelve.push_back(static_cast<std::uint8_t>(pid));
  }
  scripted.replies.push_back(Reply(kPidSupportedParameters, twelve));
  Page().GetSupportedParameters(kSpot);
  EXPECT_TRUE(Page().IsPidSupported(0x0602));
  EXPECT_FALSE(Page().IsPidSupported(0x0300));

  // No reply at all: the list is left empty.
  Page().GetSupportedParameters(kSpot);
  EXPECT_EQ(Page().SupportedPids, params::PidList{});
  EXPECT_EQ(Log().back(), "no response");
}

TEST_F(ParamsScriptedTest, StatusWithoutMessagesIsUnknownInLime) {
  SetBoxColour(form->Edit5, QColor(255, 0, 0));
  scripted.replies.push_back(Reply(kPidStatusMessages, {}));
  OnPage(&ParameterPage::GetStatusMessages, kSpot);
  EXPECT_EQ(form->Edit5->text(), "unknown");
  EXPECT_EQ(BoxColour(form->Edit5), QColor(0, 255, 0));

  scripted.replies.push_back(
      Reply(kPidStatusMessages, {0x00, 0x00, 0x04, 0x00, 0x21, 0x00, 0x01, 0x01, 0x50}));
  OnPage(&ParameterPage::GetStatusMessages, kSpot);
  EXPECT_EQ(form->Edit5->text(), "Hot, 80°C");
  EXPECT_EQ(BoxColour(form->Edit5), QColor(255, 0, 0));
}

}  // namespace
}  // namespace korval::testing
