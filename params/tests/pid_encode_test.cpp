#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "params/pid_codec.h"
#include "rdm/rdm_constants.h"

namespace korval::params {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Values = std::vector<std::string>;

Bytes SetBytes(std::uint16_t pid, const Values& values) {
  const EncodedArgs encoded = EncodeSetArgs(pid, values);
  EXPECT_TRUE(encoded.ok()) << encoded.error;
  return encoded.bytes;
}

TEST(PidEncoding, ValuesAsUsersTypeThem) {
  EXPECT_EQ(SetBytes(rdm::kPidDmxStartAddress, {"17"}), (Bytes{0x00, 0x11}));
  EXPECT_EQ(SetBytes(rdm::kPidDmxStartAddress, {"0x1FF"}), (Bytes{0x01, 0xFF}));
  EXPECT_EQ(SetBytes(rdm::kPidDeviceLabel, {"Spot 1"}), (Bytes{'S', 'p', 'o', 't', ' ', '1'}));
  EXPECT_EQ(SetBytes(rdm::kPidDeviceLabel, {""}), Bytes{});
  EXPECT_EQ(SetBytes(rdm::kPidDeviceLabel, {"\xC2\xB0"}), Bytes{0xB0});  // the degree sign
  for (const char* on : {"on", "ON", "true", "yes", "1"}) {
    EXPECT_EQ(SetBytes(rdm::kPidIdentifyDevice, {on}), Bytes{0x01}) << on;
  }
  for (const char* off : {"off", "False", "no", "0"}) {
    EXPECT_EQ(SetBytes(rdm::kPidPanInvert, {off}), Bytes{0x00}) << off;
  }
  EXPECT_EQ(SetBytes(rdm::kPidResetDevice, {"cold"}), Bytes{0xFF});
  EXPECT_EQ(SetBytes(rdm::kPidPowerState, {"Full-Off"}), Bytes{0x00});
  EXPECT_EQ(SetBytes(rdm::kPidLampOnMode, {"after cal"}), Bytes{0x03});
  EXPECT_EQ(SetBytes(rdm::kPidSensorValue, {"all"}), Bytes{0xFF});
  EXPECT_EQ(SetBytes(rdm::kPidPresetPlayback, {"all", "200"}), (Bytes{0xFF, 0xFF, 0xC8}));
  EXPECT_EQ(SetBytes(rdm::kPidLanguage, {"en"}), (Bytes{'e', 'n'}));
  EXPECT_EQ(SetBytes(rdm::kPidRealTimeClock, {"2026", "12", "8", "14", "5", "60"}),
            (Bytes{0x07, 0xEA, 12, 8, 14, 5, 60}));
  EXPECT_EQ(SetBytes(rdm::kPidLockPin, {"9999", "0"}), (Bytes{0x27, 0x0F, 0x00, 0x00}));
  EXPECT_EQ(SetBytes(rdm::kPidClearStatusId, {}), Bytes{});

  const EncodedArgs get = EncodeGetArgs(rdm::kPidParameterDescription, Values{"device_label"});
  EXPECT_EQ(get.bytes, (Bytes{0x00, 0x82}));
  EXPECT_EQ(EncodeGetArgs(rdm::kPidStatusMessages, Values{"warning"}).bytes, Bytes{0x03});
  EXPECT_EQ(EncodeGetArgs(rdm::kPidSensorValue, Values{"0"}).bytes, Bytes{0x00});
}

TEST(PidEncoding, AParameterOutsideTheTableTakesRawBytes) {
  EXPECT_EQ(SetBytes(rdm::kPidMinLimits, {"1", "2", "3"}), (Bytes{1, 2, 3}));
  EXPECT_EQ(SetBytes(0x8001, {"0x01", "0xff"}), (Bytes{0x01, 0xFF}));
  EXPECT_EQ(SetBytes(0x8001, {}), Bytes{});
  const EncodedArgs bad = EncodeSetArgs(0x8001, Values{"1", "256"});
  EXPECT_FALSE(bad.ok());
  EXPECT_TRUE(bad.bytes.empty());
  EXPECT_EQ(bad.error, "data: 256 is out of range 0..255");
}

TEST(PidEncoding, EveryBadValueIsAMessageAndNoBytes) {
  const std::vector<std::tuple<std::uint16_t, Values, std::string>> cases = {
      {rdm::kPidDmxStartAddress, {"600"}, "dmx_address: 600 is out of range 1..512"},
      {rdm::kPidDmxStartAddress, {"0"}, "dmx_address: 0 is out of range 1..512"},
      {rdm::kPidDmxStartAddress, {"abc"}, "dmx_address: 'abc' is not a number"},
      {rdm::kPidDmxStartAddress, {}, "expected 1 value (dmx_address), got 0"},
      {rdm::kPidDmxStartAddress, {"1", "2"}, "expected 1 value (dmx_address), got 2"},
      {rdm::kPidDeviceHours, {"-1"}, "hours: -1 is out of range 0..4294967295"},
      {rdm::kPidDeviceHours, {"4294967296"}, "hours: 4294967296 is out of range 0..4294967295"},
      {rdm::kPidIdentifyDevice,
       {"maybe"},
       "identify_state: 'maybe' is not on/off, true/false, yes/no or 1/0"},
      {rdm::kPidPowerState,
       {"asleep"},
       "power_state: 'asleep' is not a number nor a name of its values"},
      {rdm::kPidDeviceLabel,
       {std::string(33, 'x')},
       "label: '" + std::string(33, 'x') + "' is 33 bytes long, at most 32"},
      {rdm::kPidLanguage, {"eng"}, "language: 'eng' is not 2 characters"},
      {rdm::kPidRealTimeClock,
       {"2026", "13", "1", "0", "0", "0"},
       "month: 13 is out of range 1..12"},
      {rdm::kPidRealTimeClock,
       {"2026"},
       "expected 6 values (year month day hour minute second), got 1"},
      {rdm::kPidDeviceLabel, {"a", "b"}, "expected 1 value (label), got 2"},
      {rdm::kPidClearStatusId, {"1"}, "expected 0 values, got 1"},
      {rdm::kPidDeviceInfo, {}, "device_info cannot be written with SET"},
  };
  for (const auto& [pid, values, message] : cases) {
    const EncodedArgs encoded = EncodeSetArgs(pid, values);
    EXPECT_FALSE(encoded.ok()) << pid;
    EXPECT_TRUE(encoded.bytes.empty()) << pid;
    EXPECT_EQ(encoded.error, message) << pid;
  }
  const EncodedArgs get = EncodeGetArgs(rdm::kPidResetDevice, Values{});
  EXPECT_EQ(get.error, "reset_device cannot be read with GET");
  EXPECT_EQ(EncodeGetArgs(rdm::kPidParameterDescription, Values{"no_such_pid"}).error,
            "pid: 'no_such_pid' is neither a parameter name nor a number 0..65535");
}

// The kinds no SET of the table takes, through layouts of their own.
TEST(PidEncoding, UidsVersionsAndGroupsThroughTheirLayouts) {
  const FieldDef uid[] = {{"uid", FieldKind::kUid}};
  EXPECT_EQ(EncodeLayout(uid, Values{"4B52:00000101"}).bytes,
            (Bytes{0x4B, 0x52, 0x00, 0x00, 0x01, 0x01}));
  EXPECT_EQ(EncodeLayout(uid, Values{"4B52-101"}).error,
            "uid: '4B52-101' is not a UID (mmmm:dddddddd)");
  const FieldDef version[] = {{"version", FieldKind::kVersion}};
  EXPECT_EQ(EncodeLayout(version, Values{"1.2.0.255"}).bytes, (Bytes{1, 2, 0, 255}));
  EXPECT_EQ(EncodeLayout(version, Values{"16909060"}).bytes, (Bytes{1, 2, 3, 4}));
  for (const char* bad : {"1.2.3", "1.2.3.256", "1.2.3.4.5", "1..3.4"}) {
    EXPECT_EQ(
        EncodeLayout(version, Values{bad}).error,
        "version: '" + std::string(bad) + "' is not a version (four numbers 0..255 joined by .)");
  }
  const FieldDef item[] = {{"a", FieldKind::kU8}, {"b", FieldKind::kU16}};
  const FieldDef group[] = {{"n", FieldKind::kU8}, {"items", FieldKind::kGroup, {}, item}};
  EXPECT_EQ(EncodeLayout(group, Values{"9", "1", "2", "3", "4"}).bytes,
            (Bytes{9, 1, 0, 2, 3, 0, 4}));
  EXPECT_EQ(EncodeLayout(group, Values{"9"}).bytes, Bytes{9});
  const EncodedArgs partial = EncodeLayout(group, Values{"9", "1"});
  EXPECT_EQ(partial.error, "expected at least 1 value (n items[ a b ]...), got 2");
  EXPECT_TRUE(partial.bytes.empty());
}

}  // namespace
}  // namespace korval::params
