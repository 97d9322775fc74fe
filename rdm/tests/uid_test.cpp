#include "rdm/uid.h"

#include <gtest/gtest.h>

namespace korval {
namespace {

TEST(UidText, PadsToSixDigitsOnlyAndUsesUpperCase) {
  EXPECT_EQ(UidText(0x4A4C'0000'0012ULL), "4A4C00000012");
  EXPECT_EQ(UidText(0x0001'0000'0002ULL), "100000002");
  EXPECT_EQ(UidText(0x0001'0000'ABCDULL), "10000ABCD");
  EXPECT_EQ(UidText(0x0000'0000'0001ULL), "000001");
  EXPECT_EQ(UidText(kBroadcastUid), "FFFFFFFFFFFF");
  EXPECT_EQ(UidText12(0x7FF0'0000'0001ULL), "7FF000000001");
  EXPECT_EQ(UidText12(1), "000000000001");
}

TEST(Uid, SplitsIntoWordsAndBytesMostSignificantFirst) {
  const Uid uid = 0x4A4C'1234'5678ULL;
  EXPECT_EQ(UidLow(uid), 0x12345678u);
  EXPECT_EQ(UidHigh(uid), 0x4A4Cu);
  EXPECT_EQ(MakeUid(0x12345678u, 0xFFFF4A4Cu), uid);  // only the low 16 bits of the high word
  const auto bytes = UidToBytes(uid);
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 6>{0x4A, 0x4C, 0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(UidFromBytes(bytes), uid);
}

TEST(Uid, ColonTextRoundTripsAndRejectsMalformedText) {
  EXPECT_EQ(ParseUidColonText("4A4C:00000012"), 0x4A4C'0000'0012ULL);
  EXPECT_EQ(ParseUidColonText("4a4c:0000001f"), 0x4A4C'0000'001FULL);
  EXPECT_EQ(UidColonText(0x4A4C'0000'0012ULL), "4A4C:00000012");
  for (const char* bad :
       {"", "4A4C00000012", "4A4C:0000001", "4A4C-00000012", "4A4G:00000012", "4A4C:000000123"}) {
    EXPECT_FALSE(ParseUidColonText(bad)) << bad;
  }
}

}  // namespace
}  // namespace korval
