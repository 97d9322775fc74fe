#include "params/channel_values.h"

#include <gtest/gtest.h>

#include <vector>

namespace korval::params {
namespace {

TEST(ChannelValues, HoursAreBigEndian) {
  EXPECT_EQ(DecodeHours(std::vector<std::uint8_t>{0x00, 0x01, 0x02, 0x03}), 0x00010203u);
  EXPECT_EQ(DecodeHours(std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFE}), 4294967294u);
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
