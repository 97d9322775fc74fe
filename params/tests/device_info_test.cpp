#include "params/device_info.h"

#include <gtest/gtest.h>

#include <vector>

namespace korval::params {
namespace {

TEST(DeviceInfoDecoding, FieldsComeFromTheFixedOffsets) {
  const std::vector<std::uint8_t> reply = {0x01, 0x00,              // protocol version
                                           0x12, 0x34,              // model
                                           0x05, 0x04,              // category
                                           0x01, 0x02, 0x00, 0xFF,  // software version
                                           0x01, 0x2C,              // footprint 300
                                           0x03, 0x04,              // personality 3 of 4
                                           0x01, 0xF4,              // start address 500
                                           0x00, 0x00, 0x00};
  const DeviceInfo info = DecodeDeviceInfo(reply);
  EXPECT_EQ(info.category, "Switch");
  EXPECT_EQ(info.firmware, "1.2.0.255");
  EXPECT_EQ(info.footprint, 300);
  EXPECT_EQ(info.personality, 3);
  EXPECT_EQ(info.personalityCount, 4);
  EXPECT_EQ(info.startAddress, 500);
}

TEST(DeviceInfoDecoding, AShortReplyReadsTheMissingBytesAsFill) {
  const std::vector<std::uint8_t> reply = {0x01, 0x00, 0x00, 0x01, 0x01, 0x02, 0x07};
  const DeviceInfo info = DecodeDeviceInfo(reply);
  EXPECT_EQ(info.category, "Moving Head");
  EXPECT_EQ(info.firmware, "7.255.255.255");
  EXPECT_EQ(info.startAddress, 0xFFFF);
  EXPECT_EQ(DecodeDeviceInfo({}).category, "unknown");
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
