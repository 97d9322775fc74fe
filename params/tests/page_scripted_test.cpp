// Replies the virtual rig never gives, scripted byte for byte.
#include "params/tests/page_fixture.h"
#include "rdm/rdm_constants.h"
#include "rdm/tests/reply_frame.h"
#include "rdm/tests/scripted_line.h"

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kSpot = 0x4A4C'00000012;

std::vector<std::uint8_t> Reply(std::uint16_t pid, const std::vector<std::uint8_t>& data,
                                std::uint8_t responseType = kResponseAck) {
  return ReplyFrame(kSpot, pid, responseType, data);
}

struct PageScriptedTest : PageFixture<ScriptedLine> {
  PageScriptedTest() {
    page.SupportedPids = {kPidMinLimits, kPidDeviceLabel, kPidDimmSwitch, kPidPanInvert,
                          kPidStatusMessages};
  }
};

TEST_F(PageScriptedTest, AMinimumLimitsReplyOfThreeBytesFillsThreeBoxes) {
  values.minLimits.texts.fill("old");
  line.replies.push_back(Reply(kPidMinLimits, {10, 20, 30}));
  page.GetMinLimits(kSpot, values);
  for (std::size_t k = 0; k < 8; ++k) {
    const bool filled = k < 3;
    EXPECT_EQ(values.minLimits.texts[k], filled ? std::to_string(10 * (k + 1)) : "old");
    EXPECT_EQ(values.minLimits.white[k], filled);
  }
  // An empty reply fills nothing: the checksum that follows the header is not a value.
  line.replies.push_back(Reply(kPidMinLimits, {}));
  page.GetMinLimits(kSpot, values);
  EXPECT_EQ(values.minLimits.texts[0], "10");
  EXPECT_FALSE(values.minLimits.white[0]);
}

TEST_F(PageScriptedTest, ShortOrNotAcknowledgedRepliesSetNothing) {
  values.name = "kept";
  line.replies.push_back(Reply(kPidDeviceLabel, {'N', 'o'}, kResponseNackReason));
  page.GetDeviceLabel(kSpot, values);
  EXPECT_EQ(values.name, "kept");

  line.replies.push_back(Reply(kPidDeviceLabel, {}));
  page.GetDeviceLabel(kSpot, values);
  EXPECT_EQ(values.name, "");

  values.dimmSwitch.fill(true);
  line.replies.push_back(Reply(kPidDimmSwitch, {}));
  page.GetDimmSwitch(kSpot, values);
  EXPECT_EQ(values.dimmSwitch, (params::ChannelMask{}));

  values.panTilt[0] = true;
  line.replies.push_back(Reply(kPidPanInvert, {}));
  page.GetPanTiltSettings(kSpot, values);
  EXPECT_FALSE(values.panTilt[0]);
}

TEST_F(PageScriptedTest, TwelveListedPidsInOneReplyKeepNine) {
  std::vector<std::uint8_t> twelve;
  for (std::uint16_t pid : {0x0082, 0x0081, 0x00E0, 0x0030, 0x0400, 0x0401, 0x0600, 0x0601, 0x0602,
                            0x0300, 0x0301, 0x0304}) {
    twelve.push_back(static_cast<std::uint8_t>(pid >> 8));
    twelve.push_back(static_cast<std::uint8_t>(pid));
  }
  line.replies.push_back(Reply(kPidSupportedParameters, twelve));
  page.GetSupportedParameters(kSpot);
  EXPECT_TRUE(page.IsPidSupported(0x0602));
  EXPECT_FALSE(page.IsPidSupported(0x0300));

  // No reply at all: the list is left empty.
  page.GetSupportedParameters(kSpot);
  EXPECT_EQ(page.SupportedPids, params::PidList{});
  EXPECT_EQ(log.back(), "no response");
}

TEST_F(PageScriptedTest, StatusWithoutMessagesIsUnknownInLime) {
  values.statusColour = params::kRed;
  line.replies.push_back(Reply(kPidStatusMessages, {}));
  page.GetStatusMessages(kSpot, values);
  EXPECT_EQ(values.status, "unknown");
  EXPECT_EQ(values.statusColour, params::kLime);

  line.replies.push_back(
      Reply(kPidStatusMessages, {0x00, 0x00, 0x04, 0x00, 0x21, 0x00, 0x01, 0x01, 0x50}));
  page.GetStatusMessages(kSpot, values);
  EXPECT_EQ(values.status,
            "Hot, 80\xC2\xB0"
            "C");
  EXPECT_EQ(values.statusColour, params::kRed);
}

}  // namespace
}  // namespace korval::testing
