#include "base/bytes.h"

#include <gtest/gtest.h>

#include <limits>

namespace korval {
namespace {

constexpr std::array<std::uint8_t, 6> kSix = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};

TEST(ReadBytes, TakesTheFirstByteAsMostOrLeastSignificant) {
  struct Case {
    std::size_t offset;
    std::size_t size;
    std::uint64_t be;
    std::uint64_t le;
  };
  const Case cases[] = {
      {0, 1, 0x12, 0x12},
      {0, 2, 0x1234, 0x3412},
      {1, 2, 0x3456, 0x5634},
      {4, 2, 0x9ABC, 0xBC9A},  // the last two bytes
      {0, 4, 0x12345678, 0x78563412},
      {0, 6, 0x123456789ABC, 0xBC9A78563412},  // a UID
      {5, 2, 0xBCFF, 0xFFBC},                  // one byte missing: idle line
      {2, 6, 0x56789ABCFFFF, 0xFFFFBC9A7856},
      {6, 2, 0xFFFF, 0xFFFF},  // at the end
      {100, 4, 0xFFFFFFFF, 0xFFFFFFFF},
      {std::numeric_limits<std::size_t>::max(), 2, 0xFFFF, 0xFFFF},  // cannot wrap round
      {std::numeric_limits<std::size_t>::max() - 1, 4, 0xFFFFFFFF, 0xFFFFFFFF},
      {3, 0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadBe(kSix, c.offset, c.size), c.be) << c.offset << "+" << c.size;
    EXPECT_EQ(ReadLe(kSix, c.offset, c.size), c.le) << c.offset << "+" << c.size;
  }
}

TEST(ReadBytes, NamedWidthsMatchTheGeneralRead) {
  EXPECT_EQ(ReadByte(kSix, 5), 0xBC);
  EXPECT_EQ(ReadByte(kSix, 6), 0xFF);
  EXPECT_EQ(ReadBe16(kSix, 2), 0x5678);
  EXPECT_EQ(ReadBe16(kSix, 5), 0xBCFF);
  EXPECT_EQ(ReadBe32(kSix, 2), 0x56789ABCu);
  EXPECT_EQ(ReadBe48(kSix, 0), 0x123456789ABCu);
  EXPECT_EQ(ReadLe16(kSix, 0), 0x3412);
  EXPECT_EQ(ReadLe64(kSix, 0), 0xFFFFBC9A78563412u);
  EXPECT_EQ(ReadBe16({}, 0), 0xFFFF);
}

TEST(WriteBytes, PutsEachByteInItsPlaceAndDropsWhatFallsPastTheEnd) {
  struct Case {
    std::size_t offset;
    std::uint64_t value;
    std::size_t size;
    bool bigEndian;
    std::array<std::uint8_t, 4> expected;
  };
  const Case cases[] = {
      {0, 0x1234, 2, true, {0x12, 0x34, 0x00, 0x00}},
      {2, 0x1234, 2, true, {0x00, 0x00, 0x12, 0x34}},
      {1, 0x1234, 2, false, {0x00, 0x34, 0x12, 0x00}},
      {0, 0x12345678, 4, true, {0x12, 0x34, 0x56, 0x78}},
      {3, 0x1234, 2, true, {0x00, 0x00, 0x00, 0x12}},   // low byte dropped
      {3, 0x1234, 2, false, {0x00, 0x00, 0x00, 0x34}},  // high byte dropped
      {4, 0x1234, 2, true, {0x00, 0x00, 0x00, 0x00}},
      {std::numeric_limits<std::size_t>::max(), 0x1234, 2, true, {0x00, 0x00, 0x00, 0x00}},
  };
  for (const auto& c : cases) {
    std::array<std::uint8_t, 4> bytes{};
    if (c.bigEndian) {
      WriteBe(bytes, c.offset, c.value, c.size);
    } else {
      WriteLe(bytes, c.offset, c.value, c.size);
    }
    EXPECT_EQ(bytes, c.expected) << c.offset << " " << c.bigEndian;
  }
}

TEST(AppendBytes, AddsTheValueAfterWhatIsThere) {
  std::vector<std::uint8_t> out = {0xAA};
  AppendBe16(out, 0x1234);
  AppendBe32(out, 0x56789ABC);
  AppendLe(out, 0x0102, 2);
  AppendLe(out, 0x123456789ABC, 8);
  AppendBe(out, 0x0A0B0C, 3);
  const std::vector<std::uint8_t> expected = {0xAA, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC,
                                              0x02, 0x01, 0xBC, 0x9A, 0x78, 0x56, 0x34,
                                              0x12, 0x00, 0x00, 0x0A, 0x0B, 0x0C};
  EXPECT_EQ(out, expected);
  EXPECT_EQ(Be16Bytes(0x01FF), (std::array<std::uint8_t, 2>{0x01, 0xFF}));
}

}  // namespace
}  // namespace korval
