#include "params/channel_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace korval::params {
namespace {

TEST(ChannelValues, HoursAreBigEndian) {
  EXPECT_EQ(DecodeHours(std::vector<std::uint8_t>{0x00, 0x01, 0x02, 0x03}), 0x00010203u);
  EXPECT_EQ(DecodeHours(std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFE}), 4294967294u);
}

TEST(ChannelValues, AnHourCounterReplyIsOneFourByteField) {
  const std::uint8_t kDeviceHours[] = {
      0x00, 0x01, 0xE2, 0x40,  // device hours 123456, most significant byte first
  };
  EXPECT_EQ(DecodeHours(kDeviceHours), 123456u);
  const std::uint8_t kShort[] = {
      0x00, 0x00,  // the first half of a counter; the rest reads as fill
  };
  EXPECT_EQ(DecodeHours(kShort), 0x0000FFFFu);
}

TEST(ChannelValues, OnlyOneIsAnOnFlag) {
  EXPECT_TRUE(DecodeFlag(std::vector<std::uint8_t>{1}));
  for (std::uint8_t v : {0, 2, 255}) EXPECT_FALSE(DecodeFlag(std::vector<std::uint8_t>{v}));
  EXPECT_FALSE(DecodeFlag({}));
}

TEST(ChannelValues, ARowFillsOnlyTheChannelsTheReplyCarries) {
  const ReceivedRow three = DecodeRow(std::vector<std::uint8_t>{10, 20, 30});
  EXPECT_EQ(three[0], 10);
  EXPECT_EQ(three[1], 20);
  EXPECT_EQ(three[2], 30);
  for (std::size_t k = 3; k < 8; ++k) EXPECT_FALSE(three[k].has_value());
  EXPECT_EQ(DecodeRow({}), ReceivedRow{});
  const ReceivedRow ten = DecodeRow(std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(ten[7], 8);
}

TEST(ChannelValues, ARowReplyIsOneByteAChannel) {
  const std::uint8_t kMinLimits[] = {
      0x01,  // channel 1
      0x02,  // channel 2
      0x11,  // channel 3
      0x00,  // channel 4
      0x80,  // channel 5
      0xFE,  // channel 6
      0xFF,  // channel 7
      0x07,  // channel 8
  };
  EXPECT_EQ(DecodeRow(kMinLimits), (ReceivedRow{1, 2, 17, 0, 128, 254, 255, 7}));
}

TEST(ChannelValues, ARowGoesOutAsEightBytes) {
  const std::uint8_t kExpected[] = {
      0xC8,  // channel 1: 200
      0xFF,  // channel 2: 255
      0x00,  // channel 3: 0
      0x11,  // channel 4: 17
      0x2C,  // channel 5: 300, its low byte
      0x01,  // channel 6: 1
      0x80,  // channel 7: 128
      0x63,  // channel 8: 99
  };
  const auto row = EncodeRow({200, 255, 0, 17, 300, 1, 128, 99});
  EXPECT_TRUE(std::equal(row.begin(), row.end(), std::begin(kExpected), std::end(kExpected)));
}

TEST(ChannelValues, TheDimSwitchMaskIsOneByte) {
  const std::uint8_t kMask[] = {
      0x25,  // channels 1, 3 and 6 switched (bits 0, 2, 5)
  };
  const ChannelMask mask = DecodeMask(kMask);
  EXPECT_EQ(mask, (ChannelMask{true, false, true, false, false, true, false, false}));
  EXPECT_EQ(EncodeMask(mask), kMask[0]);
}

TEST(ChannelValues, RowValuesAreSentAsTheirLowByte) {
  EXPECT_EQ(EncodeRow({300, 256, -1, 0, 255, 44, 511, -256}),
            (std::array<std::uint8_t, 8>{44, 0, 255, 0, 255, 44, 255, 0}));
}

TEST(ChannelValues, MaskBitKIsChannelKPlusOne) {
  const ChannelMask ends = DecodeMask(std::vector<std::uint8_t>{0x81});
  EXPECT_EQ(ends, (ChannelMask{true, false, false, false, false, false, false, true}));
  EXPECT_EQ(EncodeMask(ends), 0x81);
  EXPECT_EQ(DecodeMask({}), ChannelMask{});
  for (int mask = 0; mask < 256; ++mask) {
    const std::vector<std::uint8_t> data{static_cast<std::uint8_t>(mask)};
    EXPECT_EQ(EncodeMask(DecodeMask(data)), mask);
  }
}

}  // namespace
}  // namespace korval::params
