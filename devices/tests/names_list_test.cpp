#include "devices/names_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "base/errors.h"

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

TEST(NamesFile, TheLineWhereANulEndsTheTextIsCountedAsTheLinesAre) {
  struct Case {
    std::string bytes;
    int line;
  };
  const std::vector<Case> cases = {
      {"A=1\r\nB=2\r\n", 0},
      {std::string("\0", 1), 1},
      {std::string("A=1\0", 4), 1},
      {std::string("A=1\r\nB=2\0C=3\r\n", 14), 2},
      {std::string("A=1\r\nB=2\r\n\0\0", 12), 3},
      {std::string("A=1\r\0\n", 6), 2},
      {std::string("A\rB\nC\r\n\r\nD\0", 11), 5},
      {std::string("\xEF\xBB\xBF"
                   "A=1\nB\0",
                   9),
       2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NulLineOfNamesFile(Bytes(c.bytes)), c.line) << c.bytes;
  }
}

TEST(NamesFile, AFileThatCouldNotBeReadIsNotSavedOverUntilALoadSucceeds) {
  char pattern[] = "/tmp/korval-names-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const std::string path = dir + "/devnames.lst";
  NamesList list;
  list.Assign({"000001=a"});

  // Nothing there: nothing to lose, so a save goes ahead.
  EXPECT_THROW(LoadNamesList(list, path), FileError);
  EXPECT_FALSE(list.FileUnread());
  SaveNamesList(list, path);

  // Something there that cannot be read (a directory reads as an error for root too).
  const std::string unreadable = dir + "/unreadable.lst";
  ASSERT_EQ(::mkdir(unreadable.c_str(), 0700), 0);
  EXPECT_THROW(LoadNamesList(list, unreadable), FileError);
  EXPECT_TRUE(list.FileUnread());
  EXPECT_THAT(list.Lines(), ElementsAre("000001=a"));  // a failed load changes no line
  try {
    SaveNamesList(list, path);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_THAT(e.what(), ::testing::StartsWith("Cannot create file " + path + ": "));
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "000002=b\r\n";
  EXPECT_THROW(SaveNamesList(list, path), FileError);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "000002=b\r\n");

  // A load that reads the file ends the refusal.
  EXPECT_EQ(LoadNamesList(list, path), 0);
  EXPECT_FALSE(list.FileUnread());
  list.SetName("000003", "c");
  SaveNamesList(list, path);
  EXPECT_THAT((LoadNamesList(list, path), list.Lines()), ElementsAre("000002=b", "000003=c"));
  [[maybe_unused]] const int rc = std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace korval
