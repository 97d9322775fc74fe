#include "devices/patch_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

namespace korval {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(PatchFile, OneDeviceIsTheSixteenBytesOfTheLayout) {
  const PatchRecord record{.uid = 0x4A4C'0000'0012ULL, .start = 0, .footprint = 16};
  EXPECT_THAT(SerializePatchFile(std::span(&record, 1)),
              ElementsAre(0x01, 0x00, 0x00, 0x00, 0x12, 0x00, 0x00, 0x00, 0x4C, 0x4A, 0x00, 0x00,
                          0x00, 0x00, 0x10, 0x00));
}

TEST(PatchFile, AnEmptyMapIsFourZeroBytesAndReadsBackEmpty) {
  const auto bytes = SerializePatchFile({});
  EXPECT_THAT(bytes, ElementsAre(0, 0, 0, 0));
  const ParsedPatch parsed = ParsePatchFile(bytes);
  ASSERT_TRUE(parsed.records.has_value());
  EXPECT_TRUE(parsed.records->empty());
}

TEST(PatchFile, SeveralDevicesRoundTripInOrder) {
  const std::vector<PatchRecord> records{
      {0x4A4C'0000'0012ULL, 0, 16},
      {0x0001'0000'ABCDULL, 511, 1},
      {0xFFFF'FFFF'FFFEULL, 65535, 65535},
  };
  const auto bytes = SerializePatchFile(records);
  ASSERT_EQ(bytes.size(), 4u + 12u * 3u);
  // Second record's start 511 = 0x01FF, little-endian at offset 4 + 12 + 8.
  EXPECT_EQ(bytes[24], 0xFF);
  EXPECT_EQ(bytes[25], 0x01);
  const ParsedPatch parsed = ParsePatchFile(bytes);
  ASSERT_TRUE(parsed.records.has_value()) << parsed.fault;
  EXPECT_EQ(*parsed.records, records);
}

TEST(PatchFile, BytesAfterTheLastRecordAreIgnoredAndPaddingOfTheUidDropped) {
  std::vector<std::uint8_t> bytes{1, 0, 0, 0, 0x12, 0, 0, 0, 0x4C, 0x4A, 0xAB, 0xCD, 5, 0, 3, 0};
  bytes.insert(bytes.end(), {9, 9, 9});
  const ParsedPatch parsed = ParsePatchFile(bytes);
  ASSERT_TRUE(parsed.records.has_value()) << parsed.fault;
  EXPECT_THAT(*parsed.records, ElementsAre(PatchRecord{0x4A4C'0000'0012ULL, 5, 3}));
}

TEST(PatchFile, RefusedFilesNameTheirFault) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    const char* fault;
  };
  std::vector<std::uint8_t> thirtyFour(4 + 12 * 34, 0);
  thirtyFour[0] = 34;
  std::vector<std::uint8_t> thirtyThreeShort(4 + 12 * 33 - 1, 0);
  thirtyThreeShort[0] = 33;
  const std::vector<Case> cases{
      {{}, "0 bytes, too few for the record count"},
      {{1, 0, 0}, "3 bytes, too few for the record count"},
      {{0xFF, 0xFF, 0xFF, 0xFF}, "record count -1 is negative"},
      {{0, 0, 0, 0x80}, "record count -2147483648 is negative"},
      {thirtyFour, "record count 34 is above the 33 devices"},
      {{0xFF, 0xFF, 0xFF, 0x7F}, "record count 2147483647 is above"},
      {{2, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       "holds 16 bytes, but 2 records need 28"},
      {thirtyThreeShort, "holds 399 bytes, but 33 records need 400"},
  };
  for (const Case& c : cases) {
    const ParsedPatch parsed = ParsePatchFile(c.bytes);
    EXPECT_FALSE(parsed.records.has_value()) << c.fault;
    EXPECT_THAT(parsed.fault, HasSubstr(c.fault));
  }
}

TEST(PatchFile, ArbitraryBytesNeverBreakTheParser) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> bytes(random() % 48);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    if (bytes.size() >= 4 && round % 2 == 0) bytes[0] = static_cast<std::uint8_t>(random() % 5);
    if (bytes.size() >= 4 && round % 2 == 0) bytes[1] = bytes[2] = bytes[3] = 0;
    const ParsedPatch parsed = ParsePatchFile(bytes);
    if (parsed.records) {
      EXPECT_LE(4 + 12 * parsed.records->size(), bytes.size());
      EXPECT_LE(parsed.records->size(), 33u);
    } else {
      EXPECT_FALSE(parsed.fault.empty());
    }
  }
}

}  // namespace
}  // namespace korval
