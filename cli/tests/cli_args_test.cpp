#include "cli/cli_args.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rdm/device_table.h"
#include "rdm/rdm_constants.h"

namespace korval::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

Invocation Parse(const std::vector<std::string>& args) {
  const ParseResult result = ParseCommandLine(args);
  EXPECT_TRUE(result.invocation) << result.error;
  return result.invocation.value_or(Invocation{});
}

TEST(CliArgsTest, CommandsTakeTheirOperands) {
  const Invocation info = Parse({"info", "4B52:2c1f0A37"});
  EXPECT_EQ(info.command, Command::kInfo);
  EXPECT_EQ(info.uid, 0x4B52'2C1F0A37ULL);
  EXPECT_EQ(Parse({"info", "4B522C1F0A37"}).uid, 0x4B52'2C1F0A37ULL);

  const Invocation get = Parse({"get", "4b52:00000001", "0x0300", "7"});
  EXPECT_EQ(get.command, Command::kGet);
  EXPECT_EQ(get.pid, 0x0300);
  EXPECT_THAT(get.data, ElementsAre(7));

  // Values go through the parameter table: a label as its bytes, names in any case.
  const Invocation label = Parse({"set", "4b52:00000001", "DEVICE_LABEL", "Spot 1"});
  EXPECT_EQ(label.pid, rdm::kPidDeviceLabel);
  EXPECT_THAT(label.data, ElementsAre('S', 'p', 'o', 't', ' ', '1'));

  const Invocation raw = Parse({"set", "4b52:00000001", "0x0300", "1", "2", "0xff"});
  EXPECT_THAT(raw.data, ElementsAre(1, 2, 0xFF));
  // A SET that takes no data is sent with none.
  EXPECT_TRUE(Parse({"set", "4b52:00000001", "clear_status_id"}).data.empty());

  for (const char* on : {"on", "1", "ON", "true", "yes"}) {
    EXPECT_TRUE(Parse({"identify", "4b52:00000001", on}).identifyOn) << on;
  }
  for (const char* off : {"off", "0", "Off", "false", "no"}) {
    EXPECT_FALSE(Parse({"identify", "4b52:00000001", off}).identifyOn) << off;
  }
  EXPECT_EQ(Parse({"discover"}).command, Command::kDiscover);
  EXPECT_FALSE(Parse({"discover"}).incremental);
  const Invocation known = Parse({"discover", "--incremental", "4b52:00000002", "4B5200000001"});
  EXPECT_TRUE(known.incremental);
  EXPECT_THAT(known.uids, ElementsAre(0x4B52'00000002ULL, 0x4B52'00000001ULL));
  EXPECT_TRUE(Parse({"--incremental", "discover"}).uids.empty());  // nothing known: all is new
  EXPECT_EQ(Parse({"pids"}).command, Command::kPids);
}

TEST(CliArgsTest, AddressTakesAStepAndUidsInOrder) {
  const Invocation a = Parse({"address", "17", "--step", "16", "4b52:00000002", "4b52:00000001"});
  EXPECT_EQ(a.start, 17);
  EXPECT_EQ(a.step, 16);
  EXPECT_THAT(a.uids, ElementsAre(0x4B52'00000002ULL, 0x4B52'00000001ULL));
  EXPECT_EQ(Parse({"address", "1", "4b52:00000001"}).step, 1);  // consecutive by default
  EXPECT_EQ(Parse({"address", "--step=0", "1", "4b52:00000001"}).step, 0);
  EXPECT_TRUE(Parse({"address", "100"}).uids.empty());
  // The last address may be 512 exactly.
  EXPECT_EQ(Parse({"address", "510", "--step", "2", "4b52:00000001", "4b52:00000002"}).start, 510);
}

TEST(CliArgsTest, OptionsStandAnywhereAndDoubleDashEndsThem) {
  const Invocation inv = Parse({"--json", "get", "4b52:00000001", "device_label", "-v", "--demo"});
  EXPECT_TRUE(inv.json);
  EXPECT_TRUE(inv.verbose);
  EXPECT_TRUE(inv.line.demo);
  EXPECT_EQ(Parse({"--virtual-rig", "rig.json", "discover"}).line.rigFile, "rig.json");
  const Invocation dashed = Parse({"set", "4b52:00000001", "device_label", "--", "-x-"});
  EXPECT_THAT(dashed.data, ElementsAre('-', 'x', '-'));
  EXPECT_EQ(Parse({"--help"}).command, Command::kHelp);
  // --help wins over whatever else is wrong: it is how one learns what is right.
  EXPECT_EQ(Parse({"bogus", "--help"}).command, Command::kHelp);
  EXPECT_EQ(Parse({"--version"}).command, Command::kVersion);
  EXPECT_EQ(Parse({"bogus", "--version"}).command, Command::kVersion);
  EXPECT_EQ(Parse({"--version", "--help"}).command, Command::kHelp);
}

TEST(CliArgsTest, EveryUsageErrorIsOneLineNamingTheCulprit) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{}, "no command given"},
      {{"fly"}, "unknown command: fly"},
      {{"--bogus", "discover"}, "unknown option: --bogus"},
      {{"discover", "extra"}, "discover takes no operands: extra (the UIDs known go after"},
      {{"discover", "--incremental", "4b52:00000001", "4b52:00000001"},
       "UID given twice: 4b52:00000001"},
      {{"discover", "--incremental", "4b52:ffffffff"},
       "a broadcast UID cannot be muted alone: 4b52:ffffffff"},
      {{"discover", "--incremental", "4b52"}, "malformed UID: 4b52"},
      {{"get", "--incremental", "4b52:00000001", "device_label"},
       "--incremental belongs to the discover command"},
      {{"info"}, "usage: info UID"},
      {{"info", "4b52-00000001"},
       "malformed UID: 4b52-00000001 (write it mmmm:dddddddd or as 6 to 12 hex digits"},
      {{"info", "4b52:0000001"}, "malformed UID"},
      {{"info", "4b52:0000000g"}, "malformed UID"},
      {{"get", "4b52:00000001"}, "usage: get UID PID"},
      {{"get", "4b52:00000001", "no_such_pid"},
       "unknown PID: no_such_pid (korval-rdm-cli pids lists the names)"},
      {{"get", "4b52:00000001", "device_lable"},
       "unknown PID: device_lable (did you mean device_label?)"},
      {{"get", "4b52:00000001", "lamp_s"},
       "unknown PID: lamp_s (did you mean lamp_state or lamp_strikes?)"},
      {{"get", "4b52:00000001", "0x10000"}, "unknown PID: 0x10000"},
      {{"set", "4b52:00000001"}, "usage: set UID PID VALUE"},
      // A missing value is named, a code's with its choices.
      {{"set", "4b52:00000001", "dmx_start_address"},
       "dmx_start_address: missing value for dmx_address"},
      {{"set", "4b52:00000001", "identify_device"},
       "identify_device: missing value for identify_state (on or off, 1 or 0)"},
      {{"get", "4b52:00000001", "status_messages"},
       "status_messages: missing value for status_type (a number or one of: none, "
       "get_last_message, advisory, warning, error, advisory_cleared"},
      {{"set", "4b52:00000001", "lamp_state"},
       "lamp_state: missing value for state (a number or one of: off, on, strike, standby, "
       "not_present, error)"},
      {{"set", "4b52:00000001", "real_time_clock", "2024"},
       "real_time_clock: missing value for month; it takes year month day hour minute second"},
      {{"set", "4b52:00000001", "0x0300", "256"}, "256 is out of range 0..255"},
      {{"set", "4b52:00000001", "dmx_start_address", "x"}, "dmx_start_address: "},
      {{"set", "4b52:00000001", "device_label", "Spot", "1"}, "device_label: "},
      {{"set", "4b52:00000001", "device_info", "1"}, "device_info takes no SET"},
      {{"get", "4b52:00000001", "reset_device"}, "reset_device takes no GET"},
      {{"get", "4b52:00000001", "disc_mute"}, "disc_mute takes no GET"},
      {{"set", "4b52:00000001", "0x0300", "-1"}, "unknown option: -1"},
      {{"identify", "4b52:00000001", "blink"}, "identify takes on or off (1 or 0), not: blink"},
      {{"identify", "4b52:00000001", "2"}, "identify takes on or off (1 or 0), not: 2"},
      {{"identify", "4b52:00000001"}, "usage: identify UID on|off|1|0"},
      {{"address"}, "usage: address START"},
      {{"address", "0", "4b52:00000001"}, "start address must be 1 to 512: 0"},
      {{"address", "513"}, "start address must be 1 to 512: 513"},
      {{"address", "1", "--step", "x"}, "--step needs a number from 0 to 511"},
      {{"address", "1", "--step"}, "--step needs a number"},
      {{"address", "500", "--step", "16", "4b52:00000001", "4b52:00000002"},
       "the last address would be 516, beyond 512"},
      {{"discover", "--step", "2"}, "--step belongs to the address command"},
      {{"--demo", "--virtual-rig", "a.json", "discover"}, "exclude each other"},
      {{"--virtual-rig"}, "--virtual-rig needs a rig file"},
  };
  for (const Case& c : cases) {
    const ParseResult result = ParseCommandLine(c.args);
    EXPECT_FALSE(result.invocation) << c.message;
    EXPECT_THAT(result.error, HasSubstr(c.message));
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
  }
  // No more devices can be known than the table holds.
  std::vector<std::string> many = {"discover", "--incremental"};
  for (int i = 1; i <= DeviceTable::kCapacity + 1; ++i) many.push_back(UidOut(Uid(i)));
  EXPECT_THAT(ParseCommandLine(many).error, HasSubstr("at most 33 UIDs"));
  many.pop_back();
  EXPECT_EQ(Parse(many).uids.size(), 33u);
  // More than one PDL's worth of bytes cannot be sent.
  std::vector<std::string> tooLong = {"set", "4b52:00000001", "0x0300"};
  tooLong.insert(tooLong.end(), rdm::kMaxPdl + 1, "1");
  EXPECT_THAT(ParseCommandLine(tooLong).error, HasSubstr("more than 231 bytes"));
}

TEST(CliArgsTest, NumbersAndUidsAsTyped) {
  EXPECT_EQ(ParseNumber("0x1F", 0xFF), 0x1Fu);
  EXPECT_EQ(ParseNumber("255", 0xFF), 255u);
  EXPECT_FALSE(ParseNumber("256", 0xFF));
  EXPECT_FALSE(ParseNumber("0x", 0xFF));
  EXPECT_FALSE(ParseNumber("+1", 0xFF));
  EXPECT_FALSE(ParseNumber("1 ", 0xFF));
  EXPECT_FALSE(ParseNumber("99999999999999999999", 0xFFFFFFFF));
  EXPECT_EQ(UidOut(0x4B52'2C1F0A37ULL), "4b52:2c1f0a37");
  EXPECT_EQ(ParseUid("FFFF:FFFFFFFF"), kBroadcastUid);
  // As the window's list and "devnames.lst" write them.
  EXPECT_EQ(ParseUid("4B522C1F0A37"), 0x4B52'2C1F0A37ULL);
  EXPECT_EQ(ParseUid("4b522c1f0a37"), 0x4B52'2C1F0A37ULL);
  EXPECT_EQ(ParseUid("000001"), 0x0000'00000001ULL);
  EXPECT_EQ(ParseUid("100000002"), 0x0001'00000002ULL);
  for (const char* bad : {"00001", "4B522C1F0A370", "4B522C1F0A3G", "0x4B522C1F0A", "-4B522C1F0A",
                          "+4B522C1F0A", "4B52 2C1F0A37", ""}) {
    EXPECT_FALSE(ParseUid(bad)) << bad;
  }
}

}  // namespace
}  // namespace korval::cli
