// The parameter operations one by one, on the virtual rig, as the page's values
// see them.
#include <array>
#include <chrono>

#include "params/tests/page_fixture.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kSpot = 0x4A4C'00000012;
constexpr Uid kWash = 0x4A4C'00000013;

using PageOperationsTest = PageOnVirtualLine;

TEST_F(PageOperationsTest, TwelveSupportedParametersOnlyTheFirstNineAreAsked) {
  line.AddResponder(Supporting(
      kSpot, {kPidDeviceLabel, kPidManufacturerLabel, kPidDmxPersonality, kPidStatusMessages,
              kPidDeviceHours, kPidLampHours, kPidPanInvert, kPidTiltInvert, kPidPanTiltSwap,
              kPidMinLimits, kPidMaxLimits, kPidDimmSwitch}));
  page.GetSupportedParameters(kSpot);
  EXPECT_TRUE(page.IsPidSupported(kPidPanTiltSwap));
  EXPECT_FALSE(page.IsPidSupported(kPidMinLimits));
  EXPECT_EQ(page.SupportedPids[9], 0);

  // The gate holds the rest back: no line in the log, no request on the line.
  values.minLimits.white.fill(true);
  values.dimmSwitch.fill(true);
  const auto mark = LogMark();
  line.ClearRequests();
  page.GetMinLimits(kSpot, values);
  page.GetMaxLimits(kSpot, values);
  page.GetDimmSwitch(kSpot, values);
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(values.minLimits.white, (std::array<bool, 8>{}));
  EXPECT_EQ(values.dimmSwitch, (params::ChannelMask{}));
}

TEST_F(PageOperationsTest, DeviceLabelRepliesAndTheNamesListStandIn) {
  auto spot = Fixture(kSpot);
  spot.label = "Spot 1";
  line.AddResponder(spot);
  line.AddResponder(Supporting(kWash, {kPidStatusMessages}));
  page.GetSupportedParameters(kSpot);

  struct Case {
    std::string label;
    std::string shown;
  };
  const std::vector<Case> table = {
      {"Spot 1", "Spot 1"},
      {std::string("AB\0CD", 5), "AB"},
      {"", ""},
      {"80\xB0"
       "C",
       "80\xC2\xB0"
       "C"},
  };
  for (const Case& c : table) {
    values.name = "before";
    Device(kSpot).Values().label = c.label;
    page.GetDeviceLabel(kSpot, values);
    EXPECT_EQ(values.name, c.shown);
  }
  EXPECT_EQ(LogSince(LogMark() - 3)[0], "Getting device name of 0x4A4C00000012");

  // A NACK keeps the text.
  Device(kSpot).Faults().nack_all = true;
  values.name = "kept";
  page.GetDeviceLabel(kSpot, values);
  EXPECT_EQ(values.name, "kept");

  // Without DEVICE_LABEL the names list answers, with no line and no request.
  page.GetSupportedParameters(kWash);
  names.SetName("4A4C00000013", "Wash left");
  const auto mark = LogMark();
  line.ClearRequests();
  page.GetDeviceLabel(kWash, values);
  EXPECT_EQ(values.name, "Wash left");
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_TRUE(Sent().empty());
  names.Clear();
  page.GetDeviceLabel(kWash, values);
  EXPECT_EQ(values.name, "");
}

TEST_F(PageOperationsTest, StartAddressAddsTheOffsetAndStaysWithin1To512) {
  line.AddResponder(Fixture(kSpot));
  struct Case {
    std::string box;
    int offset;
    int sent;  // 0: nothing sent
  };
  const std::vector<Case> table = {
      {"500", 20, 512}, {"500", -600, 1},        {"37", 0, 37}, {"1", 0, 1}, {"512", 0, 512},
      {"0", 0, 1},      {"2147483647", 10, 512}, {"abc", 0, 0}, {"", 5, 0},
  };
  for (const Case& c : table) {
    values.startAddress = c.box;
    const auto mark = LogMark();
    line.ClearRequests();
    const auto before = Now();
    page.SetStartAddress(kSpot, values, c.offset);
    const auto lines = LogSince(mark);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Setting start address of 0x4A4C00000012");
    const auto sent = Sent();
    if (c.sent == 0) {
      EXPECT_EQ(lines.size(), 1u) << c.box;
      EXPECT_TRUE(sent.empty()) << c.box;
      continue;
    }
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].pid, kPidDmxStartAddress);
    EXPECT_EQ(DataOf(sent[0]),
              (std::vector<std::uint8_t>{static_cast<std::uint8_t>(c.sent >> 8),
                                         static_cast<std::uint8_t>(c.sent & 0xFF)}));
    EXPECT_EQ(Device(kSpot).StartAddress(), c.sent);
    EXPECT_GE(Now() - before, std::chrono::milliseconds(100));
  }
}

TEST_F(PageOperationsTest, StartAddressGoesToTheBroadcastUidLikeAnyOther) {
  line.AddResponder(Fixture(kSpot));
  line.AddResponder(Fixture(kWash));
  values.startAddress = "100";
  const auto mark = LogMark();
  page.SetStartAddress(kBroadcastUid, values, 0);
  EXPECT_EQ(LogSince(mark)[0], "Setting start address of 0xFFFFFFFFFFFF");
  EXPECT_EQ(Device(kSpot).StartAddress(), 100);
  EXPECT_EQ(Device(kWash).StartAddress(), 100);
}

TEST_F(PageOperationsTest, PersonalitySendsThePositionAndPauses) {
  auto spot = Fixture(kSpot);
  spot.personality_count = 4;
  line.AddResponder(spot);
  page.GetSupportedParameters(kSpot);
  values.personalityCount = 4;
  values.personality = 3;
  const auto before = Now();
  const auto mark = LogMark();
  page.SetPersonality(kSpot, values);
  EXPECT_EQ(LogSince(mark)[0], "Setting personality of 0x4A4C00000012");
  EXPECT_EQ(Device(kSpot).Personality(), 3);
  EXPECT_GE(Now() - before, std::chrono::milliseconds(100));
}

TEST_F(PageOperationsTest, PanTiltBoxesAreCheckedOnlyByOne) {
  auto spot = Fixture(kSpot);
  spot.pan_invert = 2;
  spot.tilt_invert = 1;
  spot.pan_tilt_swap = 255;
  line.AddResponder(spot);
  page.GetSupportedParameters(kSpot);
  values.panTilt = {true, false, true};
  const auto mark = LogMark();
  page.GetPanTiltSettings(kSpot, values);
  EXPECT_EQ(values.panTilt, (std::array<bool, 3>{false, true, false}));
  EXPECT_EQ(Outline(LogSince(mark)),
            (std::vector<std::string>{"Get pan inversion of 0x4A4C00000012", "Request", "Response",
                                      "Get tilt inversion of 0x4A4C00000012", "Request", "Response",
                                      "Get axis swap of 0x4A4C00000012", "Request", "Response"}));

  values.panTilt[0] = true;
  values.panTilt[1] = false;
  page.SetPanTiltSettings(kSpot, values);
  EXPECT_EQ(Device(kSpot).Values().pan_invert, 1);
  EXPECT_EQ(Device(kSpot).Values().tilt_invert, 0);
  EXPECT_EQ(Device(kSpot).Values().pan_tilt_swap, 0);
}

TEST_F(PageOperationsTest, PanTiltEachPidGatedOnItsOwn) {
  line.AddResponder(Supporting(kSpot, {kPidTiltInvert}));
  page.GetSupportedParameters(kSpot);
  values.panTilt[0] = true;
  values.panTilt[1] = true;
  line.ClearRequests();
  page.SetPanTiltSettings(kSpot, values);
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].pid, kPidTiltInvert);
  EXPECT_EQ(DataOf(sent[0]), std::vector<std::uint8_t>{1});

  const auto mark = LogMark();
  page.GetPanTiltSettings(kSpot, values);
  EXPECT_EQ(LogSince(mark)[0], "Get tilt inversion of 0x4A4C00000012");
  EXPECT_FALSE(values.panTilt[0]);
}

TEST_F(PageOperationsTest, HoursAndManufacturer) {
  auto spot = Fixture(kSpot);
  spot.device_hours = 0x01020304;
  spot.lamp_hours = 4294967295u;
  spot.manufacturer = "Korval \xA9";
  line.AddResponder(spot);
  line.AddResponder(Supporting(kWash, {kPidStatusMessages}));
  page.GetSupportedParameters(kSpot);
  auto mark = LogMark();
  page.GetManufacturerLabel(kSpot, values);
  page.GetDeviceHours(kSpot, values);
  page.GetLampHours(kSpot, values);
  EXPECT_EQ(values.manufacturer, "Korval \xC2\xA9");
  EXPECT_EQ(values.deviceHours, "16909060");
  EXPECT_EQ(values.lampHours, "4294967295");
  EXPECT_EQ(
      Outline(LogSince(mark)),
      (std::vector<std::string>{"Getting manufacturer of 0x4A4C00000012", "Request", "Response",
                                "Getting dev hours of 0x4A4C00000012", "Request", "Response",
                                "Getting lamp hours of 0x4A4C00000012", "Request", "Response"}));

  // A NACK leaves the reset text.
  Device(kSpot).Faults().nack_all = true;
  page.GetManufacturerLabel(kSpot, values);
  page.GetLampHours(kSpot, values);
  EXPECT_EQ(values.manufacturer, "unknown");
  EXPECT_EQ(values.lampHours, "unknown");

  page.GetSupportedParameters(kWash);
  values.deviceHours = "7";
  mark = LogMark();
  page.GetDeviceHours(kWash, values);
  EXPECT_EQ(values.deviceHours, "unknown");
  EXPECT_TRUE(LogSince(mark).empty());
}

TEST_F(PageOperationsTest, FirstStatusMessageGivesTextAndColour) {
  constexpr Uid kDimmer = 0x0001'00000002;
  line.AddResponder(Fixture(kDimmer));
  page.GetSupportedParameters(kDimmer);
  struct Case {
    std::vector<sim::StatusMessage> queued;
    std::string text;
    params::Rgb colour;
  };
  const std::vector<Case> table = {
      {{{0x04, 0x0021, 1, 0x0150}},
       "Hot, 80\xC2\xB0"
       "C",
       {255, 0, 0}},
      {{{0x03, 0x0031, 2, 250}}, "Voltage of Phase2 to high, 250V", {128, 128, 0}},
      {{{0x02, 0x0050, 0, 0x0119}, {0x04, 0x0044, 0, 0}},
       "OK; Temp. 25\xC2\xB0"
       "C",
       {255, 255, 0}},
      {{{0x02, 0x0034, 1, 1}}, "unknown", {255, 255, 0}},
      {{{0x04, 0x0053, 1, 1}}, "unknown", {255, 0, 0}},
      // No queued message: PDL 0, read as type 0xFF and ID 0xFFFF.
      {{}, "unknown", {0, 255, 0}},
  };
  for (const Case& c : table) {
    Device(kDimmer).Values().status_messages = c.queued;
    const auto mark = LogMark();
    line.ClearRequests();
    page.GetStatusMessages(kDimmer, values);
    EXPECT_EQ(values.status, c.text);
    EXPECT_EQ(values.statusColour, c.colour) << c.text;
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].commandClass, kGetCommand);
    EXPECT_EQ(sent[0].pid, kPidStatusMessages);
    EXPECT_EQ(DataOf(sent[0]), std::vector<std::uint8_t>{0x02});
    EXPECT_EQ(LogSince(mark)[0], "Getting status of 0x100000002");
  }
}

}  // namespace
}  // namespace korval::testing
