#include "params/labels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korval::params {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

TEST(Labels, DecodingStopsAtAZeroByteAndReadsWindows1252) {
  const std::vector<std::pair<std::vector<std::uint8_t>, std::string>> table = {
      {{}, ""},
      {Bytes("Spot 1"), "Spot 1"},
      {{'A', 'B', 0x00, 'C', 'D'}, "AB"},
      {{0x00, 'x'}, ""},
      {{'8', '0', 0xB0, 'C'},
       "80\xC2\xB0"
       "C"},
      {{0x80, 'E'},
       "\xE2\x82\xAC"
       "E"},
  };
  for (const auto& [bytes, text] : table) EXPECT_EQ(DecodeLabel(bytes), text);
}

TEST(Labels, EncodingIsWindows1252WithQuestionMarksAndAt32Bytes) {
  EXPECT_EQ(EncodeLabel(""), std::vector<std::uint8_t>{});
  EXPECT_EQ(EncodeLabel("Wash \xC2\xB0"),
            (std::vector<std::uint8_t>{'W', 'a', 's', 'h', ' ', 0xB0}));
  EXPECT_EQ(EncodeLabel("\xE4\xB8\xAD"
                        "A"),
            (std::vector<std::uint8_t>{'?', 'A'}));
  const std::string forty(40, 'n');
  EXPECT_EQ(EncodeLabel(forty), std::vector<std::uint8_t>(32, 'n'));
  // A label that went out and came back is the same text.
  const std::string euro = "\xE2\x82\xAC 12";
  EXPECT_EQ(DecodeLabel(EncodeLabel(euro)), euro);
}

TEST(Labels, AReplyIsTheLabelBytesWithoutATerminator) {
  const std::uint8_t kReply[] = {
      'S', 'p', 'o', 't', ' ', '1',  // "Spot 1"
  };
  EXPECT_EQ(DecodeLabel(kReply), "Spot 1");
  const std::uint8_t kPadded[] = {
      'W',  'a', 's', 'h',  // "Wash"
      0x00,                 // a zero byte ends the label
      'X',  'Y',            // left over from an earlier label: not shown
  };
  EXPECT_EQ(DecodeLabel(kPadded), "Wash");
  const std::uint8_t kDegrees[] = {
      '8', '0',  // "80"
      0xB0,      // the degree sign in Windows-1252
      'C',       // "C"
  };
  EXPECT_EQ(DecodeLabel(kDegrees),
            "80\xC2\xB0"
            "C");
}

TEST(Labels, ALabelGoesOutAsWindows1252Bytes) {
  const std::vector<std::uint8_t> kExpected = {
      0x80,            // the euro sign
      ' ',  '1', '2',  // " 12"
      0xE9,            // e with acute accent
      '?',             // a CJK character, which Windows-1252 has not
  };
  EXPECT_EQ(EncodeLabel("\xE2\x82\xAC 12\xC3\xA9\xE4\xB8\xAD"), kExpected);
}

TEST(Labels, ANameForTheNamesFileStaysOnOneLine) {
  EXPECT_EQ(OneLineName("Wash left"), "Wash left");
  EXPECT_EQ(OneLineName("A\r\nB\rC\nD"), "A??B?C?D");
}

}  // namespace
}  // namespace korval::params
