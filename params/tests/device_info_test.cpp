#include "params/device_info.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace korval::params {
namespace {

TEST(DeviceInfoDecoding, FieldsComeFromTheFixedOffsets) {
  const std::uint8_t kReply[] = {
      0x01, 0x00,              // RDM protocol version 1.0
      0x12, 0x34,              // device model 0x1234
      0x05, 0x04,              // product category 0x0504: switch
      0x01, 0x02, 0x00, 0xFF,  // software version 1.2.0.255
      0x01, 0x2C,              // DMX512 footprint 300
      0x03,                    // current personality 3
      0x04,                    // of 4 personalities
      0x01, 0xF4,              // DMX512 start address 500
      0x00, 0x00,              // sub-device count
      0x00,                    // sensor count
  };
  const DeviceInfo info = DecodeDeviceInfo(kReply);
  EXPECT_EQ(info.category, "Switch");
  EXPECT_EQ(info.firmware, "1.2.0.255");
  EXPECT_EQ(info.footprint, 300);
  EXPECT_EQ(info.personality, 3);
  EXPECT_EQ(info.personalityCount, 4);
  EXPECT_EQ(info.startAddress, 500);
}

// The answer a responder without a start address gives: 0xFFFF, shown as is.
TEST(DeviceInfoDecoding, NoStartAddressAndTheHighestValues) {
  const std::uint8_t kReply[] = {
      0x01, 0x00,              // RDM protocol version 1.0
      0xFF, 0xFF,              // device model 0xFFFF
      0x05, 0x09,              // product category 0x0509: LED dimmer
      0xFF, 0xFF, 0xFF, 0xFF,  // software version 255.255.255.255
      0x02, 0x00,              // DMX512 footprint 512
      0xFF,                    // current personality 255
      0xFF,                    // of 255 personalities
      0xFF, 0xFF,              // DMX512 start address: none
      0x00, 0x02,              // sub-device count 2
      0x01,                    // sensor count 1
  };
  const DeviceInfo info = DecodeDeviceInfo(kReply);
  EXPECT_EQ(info.category, "LED Dimmer");
  EXPECT_EQ(info.firmware, "255.255.255.255");
  EXPECT_EQ(info.footprint, 512);
  EXPECT_EQ(info.personality, 255);
  EXPECT_EQ(info.personalityCount, 255);
  EXPECT_EQ(info.startAddress, 0xFFFF);
}

TEST(DeviceInfoDecoding, AShortReplyReadsTheMissingBytesAsFill) {
  const std::uint8_t kReply[] = {
      0x01, 0x00,  // RDM protocol version 1.0
      0x00, 0x01,  // device model 0x0001
      0x01, 0x02,  // product category 0x0102: moving head
      0x07,        // software version, first byte only
  };
  const DeviceInfo info = DecodeDeviceInfo(kReply);
  EXPECT_EQ(info.category, "Moving Head");
  EXPECT_EQ(info.firmware, "7.255.255.255");
  EXPECT_EQ(info.startAddress, 0xFFFF);
  EXPECT_EQ(DecodeDeviceInfo({}).category, "unknown");
}

// The responders' encoder writes each field where the page's decoder reads it.
TEST(DeviceInfoEncoding, EachFieldGoesToItsOwnBytes) {
  const DeviceInfoFields fields{.model = 0x1234,
                                .category = 0x0504,
                                .softwareVersion = 0x010200FF,
                                .footprint = 300,
                                .personality = 3,
                                .personalityCount = 4,
                                .startAddress = 500,
                                .subDeviceCount = 2,
                                .sensorCount = 7};
  const std::array<std::uint8_t, kDeviceInfoBytes> kData = {
      0x01, 0x00,              // RDM protocol version 1.0
      0x12, 0x34,              // device model
      0x05, 0x04,              // product category
      0x01, 0x02, 0x00, 0xFF,  // software version
      0x01, 0x2C,              // DMX512 footprint 300
      0x03,                    // current personality
      0x04,                    // personality count
      0x01, 0xF4,              // DMX512 start address 500
      0x00, 0x02,              // sub-device count
      0x07,                    // sensor count
  };
  EXPECT_EQ(EncodeDeviceInfo(fields), kData);
  EXPECT_EQ(DecodeDeviceInfoFields(kData), fields);
}

TEST(StartAddressEncoding, TheAddressGoesHighByteFirst) {
  struct Case {
    std::uint16_t address;
    std::array<std::uint8_t, 2> expected;
  };
  const Case cases[] = {
      {1, {0x00, 0x01}},       // the lowest address
      {201, {0x00, 0xC9}},     // one byte's worth
      {500, {0x01, 0xF4}},     // both bytes carry
      {512, {0x02, 0x00}},     // the highest address
      {0xFFFF, {0xFF, 0xFF}},  // sent as given, no range check
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeStartAddress(c.address), c.expected) << c.address;
}

TEST(DeviceInfoDecoding, CategoryTable) {
  const std::vector<std::pair<std::uint16_t, const char*>> table = {
      {0x0101, "Fixed Fixture"}, {0x0102, "Moving Head"}, {0x0103, "Scanner"},
      {0x0300, "Projector"},     {0x0401, "Fog & Haze"},  {0x0501, "Dimmer"},
      {0x0502, "CFL Dimmer"},    {0x0504, "Switch"},      {0x0509, "LED Dimmer"},
      {0x0100, "unknown"},       {0x0000, "unknown"},     {0x0503, "unknown"},
      {0xFFFF, "unknown"}};
  for (const auto& [code, text] : table) EXPECT_EQ(CategoryText(code), text) << code;
}

TEST(DeviceInfoDecoding, FirmwareHasNoLeadingZeros) {
  EXPECT_EQ(FirmwareText(1, 0, 2, 15), "1.0.2.15");
  EXPECT_EQ(FirmwareText(0, 0, 0, 0), "0.0.0.0");
  EXPECT_EQ(FirmwareText(255, 10, 9, 100), "255.10.9.100");
}

}  // namespace
}  // namespace korval::params
