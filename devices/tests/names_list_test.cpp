#include "devices/names_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korval {
namespace {

using ::testing::ElementsAre;

std::vector<std::uint8_t> Bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

TEST(NamesList, KeysMatchWithoutCaseAndTheFirstDuplicateWins) {
  NamesList list;
  list.Assign({"4a4c00000012=Spot", "4A4C00000012=Second", "noequals", "=empty key"});
  EXPECT_EQ(list.GetName("4A4C00000012"), "Spot");
  EXPECT_EQ(list.GetName("000001"), "");
  EXPECT_EQ(list.KeyAt(0), "4a4c00000012");
  EXPECT_EQ(list.KeyAt(2), "");
  EXPECT_EQ(list.KeyAt(9), "");
  EXPECT_EQ(list.GetName(""), "");  // a line without "=" has an empty key but no name

  list.SetName("4A4C00000012", "Wash");  // in place, key kept as written
  list.SetName("000001", "New");         // appended
  EXPECT_THAT(list.Lines(), ElementsAre("4a4c00000012=Wash", "4A4C00000012=Second", "noequals",
                                        "=empty key", "000001=New"));
  EXPECT_EQ(NameOfLine("a=b=c"), "b=c");
}

TEST(NamesFile, EveryLineEndCountsAndANulEndsTheText) {
  EXPECT_THAT(ParseNamesFile(Bytes("A=1\r\nB=2\r\n")), ElementsAre("A=1", "B=2"));
  EXPECT_THAT(ParseNamesFile(Bytes("A=1\nB=2")), ElementsAre("A=1", "B=2"));
  EXPECT_THAT(ParseNamesFile(Bytes("A=1\rB=2\r")), ElementsAre("A=1", "B=2"));
  EXPECT_THAT(ParseNamesFile(Bytes("A=1\r\n\r\nB=2\n")), ElementsAre("A=1", "", "B=2"));
  EXPECT_THAT(ParseNamesFile(Bytes(std::string("A=1\r\nB=2\0C=3\r\n", 14))),
              ElementsAre("A=1", "B=2"));
  EXPECT_TRUE(ParseNamesFile({}).empty());
}

TEST(NamesFile, ReadsUtf8AndFallsBackToWindows1252PerLine) {
  EXPECT_THAT(ParseNamesFile(Bytes("A=B\xC3\xBChne\r\nB=B\xFChne\r\n")),
              ElementsAre("A=B\u00FChne", "B=B\u00FChne"));
  EXPECT_THAT(ParseNamesFile(Bytes("\xEF\xBB\xBF"
                                   "4A4C00000012=a\r\n")),
              ElementsAre("4A4C00000012=a"));
}

// What is read is what a save writes back and the next start reads again.
TEST(NamesFile, ReadSaveReadKeepsTheEntries) {
  const std::string files[] = {
      "\xEF\xBB\xBF\xEF\xBB\xBF"
      "4B63F2A8=Wash\r\n",
      "\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF"
      "4B63F2A8=Wash\xC4\r\n",
      "\xEF\xBB\xBF"
      "4A4C00000012=B\xFChne\rnoequals\n=x\r\n",
      "\r\n\r\n4A4C00000012=a",
  };
  for (const std::string& file : files) {
    const auto lines = ParseNamesFile(Bytes(file));
    EXPECT_EQ(ParseNamesFile(SerializeNamesFile(lines)), lines) << file;
  }
  EXPECT_THAT(ParseNamesFile(Bytes(files[0])), ElementsAre("4B63F2A8=Wash"));
}

TEST(NamesFile, WritesCrLfAfterEveryLine) {
  EXPECT_EQ(SerializeNamesFile({"4A4C00000012=Stage", "4A4C00000013=Stage"}),
            Bytes("4A4C00000012=Stage\r\n4A4C00000013=Stage\r\n"));
  EXPECT_TRUE(SerializeNamesFile({}).empty());
  // A label with a line break must not turn into a second entry on reading.
  const std::string broken = std::string("4A4C00000012=Spot\r\nX\0Y", 22);
  EXPECT_EQ(SerializeNamesFile({broken}), Bytes("4A4C00000012=Spot  X Y\r\n"));
}

}  // namespace
}  // namespace korval
