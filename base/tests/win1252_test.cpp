#include "base/win1252.h"

#include <gtest/gtest.h>

namespace korval {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

TEST(Win1252, DecodesHighBytesAsTheirCharacters) {
  const std::uint8_t hot[] = {'8', '0', 0xB0, 'C'};
  EXPECT_EQ(Win1252ToUtf8(hot), "80\u00B0C");
  const std::uint8_t euro[] = {0x80, 0x9F, 0xE9};
  EXPECT_EQ(Win1252ToUtf8(euro), "\u20AC\u0178\u00E9");
  const std::uint8_t unassigned[] = {0x81};
  EXPECT_EQ(Win1252ToUtf8(unassigned), "\uFFFD");
}

TEST(Win1252, EncodesWhatItCanAndMarksTheRest) {
  EXPECT_EQ(Utf8ToWin1252("Spot \u00B0\u20AC"), Bytes("Spot \xB0\x80"));
  EXPECT_EQ(Utf8ToWin1252("\u4E2D\u6587"), Bytes("??"));
  EXPECT_EQ(Utf8ToWin1252("a\xFF"
                          "b"),
            Bytes("a?b"));                            // malformed byte
  EXPECT_EQ(Utf8ToWin1252("\xE4\xB8"), Bytes("??"));  // truncated sequence
  EXPECT_EQ(Utf8ToWin1252("\xC0\x80"), Bytes("??"));  // overlong NUL
}

TEST(Win1252, RoundTripsEveryAssignedByte) {
  for (int b = 1; b < 256; ++b) {
    const std::uint8_t byte[] = {static_cast<std::uint8_t>(b)};
    if (Win1252ToUtf8(byte) == "\uFFFD") continue;
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(byte)), std::vector<std::uint8_t>(1, byte[0])) << b;
  }
}

TEST(Utf8, TellsValidFromInvalid) {
  EXPECT_TRUE(IsValidUtf8(Bytes("plain \u4E2D")));
  EXPECT_FALSE(IsValidUtf8(Bytes("caf\xE9")));
  EXPECT_FALSE(IsValidUtf8(Bytes("\xED\xA0\x80")));  // surrogate
}

}  // namespace
}  // namespace korval
