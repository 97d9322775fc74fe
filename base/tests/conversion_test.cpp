#include "base/conversion.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace korval {
namespace {

TEST(StrToInt, AcceptsSignedDecimalAndHexadecimal) {
  const std::pair<const char*, std::int32_t> cases[] = {{"0", 0},
                                                        {"17", 17},
                                                        {"-1", -1},
                                                        {"+5", 5},
                                                        {" 42 ", 42},
                                                        {"$1F", 31},
                                                        {"0x1f", 31},
                                                        {"-600", -600},
                                                        {"2147483647", 2147483647},
                                                        {"-2147483648", -2147483647 - 1}};
  for (const auto& [text, value] : cases) EXPECT_EQ(StrToInt(text), value) << text;
}

TEST(StrToInt, RejectsWhatIsNotAnIntegerWithTheOperatorsMessage) {
  for (const char* text : {"", "-", "abc", "x", "1.5", "12a", "2147483648", "0x", "$", "- 1"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

TEST(StrToInt64, ReadsFullWidthHexadecimalKeys) {
  EXPECT_EQ(StrToInt64("0x4A4C00000012"), 0x4A4C00000012LL);
  EXPECT_EQ(StrToInt64("0x4a4c00000012"), 0x4A4C00000012LL);
  EXPECT_EQ(StrToInt64("0xFFFFFFFFFFFFFFFF"), -1);
  EXPECT_THROW(StrToInt64("0x"), ConversionError);
  EXPECT_THROW(StrToInt64("0x4A4G"), ConversionError);
  EXPECT_THROW(StrToInt64("0x1FFFFFFFFFFFFFFFF"), ConversionError);
}

}  // namespace
}  // namespace korval
