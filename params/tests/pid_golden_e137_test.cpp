// Golden replies, second half (the dimmer, lamp, display, configuration and
// control parameters), and the test that decodes both halves.
#include <gtest/gtest.h>

#include <set>

#include "params/tests/pid_golden.h"
#include "rdm/rdm_constants.h"

namespace korval::params::golden {

using namespace rdm;

const std::vector<Golden>& SecondGoldens() {
  static const std::vector<Golden> goldens = {
      {kPidDimmerInfo,
       kGet,
       {0x00, 0x00,  // minimum level lower limit 0
        0x00, 0x64,  // minimum level upper limit 100
        0x00, 0x64,  // maximum level lower limit 100
        0xFF, 0xFF,  // maximum level upper limit 65535
        0x04,        // 4 curves
        0x08,        // 8-bit levels
        0x01},       // split levels supported
       {"minimum_level_lower: 0", "minimum_level_upper: 100", "maximum_level_lower: 100",
        "maximum_level_upper: 65535", "number_curves_supported: 4", "levels_resolution: 8",
        "split_levels_supported: true"}},
      {kPidMinimumLevel,
       kGet,
       {0x00, 0x0A,  // increasing 10
        0x00, 0x05,  // decreasing 5
        0x00},       // off below the minimum
       {"minimum_level_increasing: 10", "minimum_level_decreasing: 5", "on_below_minimum: false"}},
      {kPidMaximumLevel, kGet, {0xFF, 0xFF}, {"maximum_level: 65535"}},
      {kPidCurve,
       kGet,
       {0x01,   // curve 1
        0x04},  // of 4
       {"current_curve: 1", "number_curves: 4"}},
      {kPidCurveDescription,
       kGet,
       Join({0x02},           // curve 2
            Text("Square")),  // description
       {"curve: 2", "description: Square"}},
      {kPidOutputResponseTime,
       kGet,
       {0x01,   // setting 1
        0x03},  // of 3
       {"current_response_time: 1", "number_response_options: 3"}},
      {kPidOutputResponseTimeDescription,
       kGet,
       Join({0x01},         // setting 1
            Text("Fast")),  // description
       {"response_time: 1", "description: Fast"}},
      {kPidModulationFrequency,
       kGet,
       {0x02,   // setting 2
        0x04},  // of 4
       {"current_modulation_frequency: 2", "number_modulation_frequencies: 4"}},
      {kPidModulationFrequencyDescription,
       kGet,
       Join({0x02,                     // setting 2
             0x00, 0x00, 0x4E, 0x20},  // 20000 Hz
            Text("20k")),              // description
       {"modulation_frequency: 2", "frequency: 20000", "description: 20k"}},
      {kPidDeviceHours, kGet, {0x00, 0x00, 0x12, 0x34}, {"hours: 4660"}},
      {kPidLampHours, kGet, {0x00, 0x01, 0x00, 0x00}, {"hours: 65536"}},
      {kPidLampStrikes, kGet, {0x00, 0x00, 0x00, 0x07}, {"strikes: 7"}},
      {kPidLampState, kGet, {0x7F}, {"state: error"}},
      {kPidLampState, kGet, {0x80}, {"state: 128"}},  // a manufacturer's state
      {kPidLampOnMode, kGet, {0x03}, {"mode: after_cal"}},
      {kPidDevicePowerCycles, kGet, {0xFF, 0xFF, 0xFF, 0xFF}, {"power_cycles: 4294967295"}},
      {kPidBurnIn, kGet, {0x10}, {"hours_remaining: 16"}},
      {kPidDisplayInvert, kGet, {0x02}, {"invert_status: auto"}},
      {kPidDisplayLevel, kGet, {0x80}, {"level: 128"}},
      {kPidPanInvert, kGet, {0x01}, {"invert: true"}},
      {kPidTiltInvert, kGet, {0x00}, {"invert: false"}},
      {kPidPanTiltSwap, kGet, {0x02}, {"swap: true"}},
      {kPidRealTimeClock,
       kGet,
       {0x07, 0xEA,  // year 2026
        0x0C,        // month 12
        0x08,        // day 8
        0x0E,        // hour 14
        0x05,        // minute 5
        0x1E},       // second 30
       {"year: 2026", "month: 12", "day: 8", "hour: 14", "minute: 5", "second: 30"}},
      {kPidLockPin, kGet, {0x04, 0xD2}, {"pin_code: 1234"}},
      {kPidLockState,
       kGet,
       {0x00,   // unlocked
        0x03},  // of 3 states
       {"lock_state: unlocked", "lock_state_count: 3"}},
      {kPidLockStateDescription,
       kGet,
       Join({0x01},        // state 1
            Text("All")),  // description
       {"lock_state: 1", "description: All"}},
      {kPidIdentifyDevice, kGet, {0x01}, {"identify_state: true"}},
      {kPidResetDevice, kSet, {}, {}},
      {kPidPowerState, kGet, {0xFF}, {"power_state: normal"}},
      {kPidPerformSelftest, kGet, {0x00}, {"tests_active: false"}},
      {kPidSelfTestDescription,
       kGet,
       Join({0x01},         // test 1
            Text("Lamp")),  // description
       {"test_number: 1", "description: Lamp"}},
      {kPidCapturePreset, kSet, {}, {}},
      {kPidPresetPlayback,
       kGet,
       {0xFF, 0xFF,  // mode: all scenes
        0xC8},       // level 200
       {"mode: all", "level: 200"}},
      {kPidIdentifyMode, kGet, {0xFF}, {"identify_mode: loud"}},
      {kPidPresetInfo,
       kGet,
       {0x01,         // level field supported
        0x01,         // preset sequence supported
        0x00,         // no split times
        0x00,         // no infinite fail delay
        0x01,         // infinite fail hold
        0x00,         // no infinite startup hold
        0x00, 0x10,   // 16 scenes
        0x00, 0x00,   // preset fade 0
        0x03, 0xE8,   // .. 1000
        0x00, 0x00,   // preset wait 0
        0x00, 0x64,   // .. 100
        0x00, 0x01,   // fail delay 1
        0xFF, 0xFE,   // .. 65534
        0x00, 0x02,   // fail hold 2
        0xFF, 0xFF,   // .. 65535
        0x00, 0x03,   // startup delay 3
        0x00, 0x32,   // .. 50
        0x00, 0x04,   // startup hold 4
        0x12, 0x34},  // .. 4660
       {"level_field_supported: true", "preset_sequence_supported: true",
        "split_times_supported: false", "fail_infinite_delay_supported: false",
        "fail_infinite_hold_supported: true", "startup_infinite_hold_supported: false",
        "max_scene_number: 16", "min_preset_fade_time: 0", "max_preset_fade_time: 1000",
        "min_preset_wait_time: 0", "max_preset_wait_time: 100", "min_fail_delay_time: 1",
        "max_fail_delay_time: 65534", "min_fail_hold_time: 2", "max_fail_hold_time: 65535",
        "min_startup_delay_time: 3", "max_startup_delay_time: 50", "min_startup_hold_time: 4",
        "max_startup_hold_time: 4660"}},
      {kPidPresetStatus,
       kGet,
       {0x00, 0x01,  // scene 1
        0x00, 0x0A,  // up fade 1 s
        0x00, 0x14,  // down fade 2 s
        0x00, 0x00,  // no wait
        0x02},       // read only
       {"scene_number: 1", "up_fade_time: 10", "down_fade_time: 20", "wait_time: 0",
        "programmed: read_only"}},
      {kPidPresetMergeMode, kGet, {0x01}, {"merge_mode: htp"}},
      {kPidPowerOnSelfTest, kGet, {0x01}, {"power_on_self_test: true"}},
  };
  return goldens;
}

namespace {

TEST(PidGoldenReplies, EveryParameterDecodesItsGoldenReply) {
  std::set<std::uint16_t> covered;
  for (const auto* goldens : {&FirstGoldens(), &SecondGoldens()}) {
    for (const Golden& golden : *goldens) {
      const DecodedReply reply = DecodeReply(golden.pid, golden.command, golden.data);
      EXPECT_EQ(FormatLines(reply), golden.lines) << PidNumberText(golden.pid);
      EXPECT_FALSE(reply.truncated) << PidNumberText(golden.pid);
      EXPECT_TRUE(reply.extra.empty()) << PidNumberText(golden.pid);
      covered.insert(golden.pid);
    }
  }
  for (const PidInfo& info : PidTable()) EXPECT_TRUE(covered.count(info.number)) << info.name;
}

// Each golden cut short by one byte and lengthened by one: the fields before
// the cut decode as before, and the added byte is reported, never decoded.
TEST(PidGoldenReplies, ShortAndLongVersionsOfEveryGolden) {
  for (const auto* goldens : {&FirstGoldens(), &SecondGoldens()}) {
    for (const Golden& golden : *goldens) {
      const std::string pid = PidNumberText(golden.pid);
      Bytes longer = golden.data;
      longer.push_back(0x5A);
      const DecodedReply more = DecodeReply(golden.pid, golden.command, longer);
      const Lines lines = FormatLines(more);
      const bool openEnded = !golden.lines.empty() && more.extra.empty();
      if (!openEnded) {
        EXPECT_EQ(more.extra, Bytes{0x5A}) << pid;
        ASSERT_FALSE(lines.empty()) << pid;
        EXPECT_EQ(lines.back(), "extra_bytes: 5a") << pid;
      }
      if (golden.data.empty()) continue;
      const Bytes shorter(golden.data.begin(), golden.data.end() - 1);
      const DecodedReply less = DecodeReply(golden.pid, golden.command, shorter);
      const Lines cut = FormatLines(less);
      if (less.truncated) {
        ASSERT_FALSE(cut.empty()) << pid;
        EXPECT_EQ(cut.back().rfind("error: short reply: ", 0), 0u) << pid;
        EXPECT_TRUE(std::equal(cut.begin(), cut.end() - 1, golden.lines.begin())) << pid;
      }
    }
  }
}

}  // namespace
}  // namespace korval::params::golden
