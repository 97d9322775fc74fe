// The device list rebuilt from "devnames.lst" when the window starts.
#include <gmock/gmock.h>

#include "app/tests/form_test.h"

namespace korval::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using NamesFileTest = FormTest;

std::vector<std::string> Items(const TForm1& form) {
  std::vector<std::string> items;
  for (int i = 0; i < form.ListBox1->count(); ++i) {
    items.push_back(form.ListBox1->item(i)->text().toStdString());
  }
  return items;
}

std::vector<Uid> Devices(const TForm1& form) {
  const auto& slots = form.deviceTable.slots;
  return {slots.begin() + 1, slots.begin() + 1 + form.deviceTable.count};
}

// The lines that loading the names writes; start-up's other lines are not ours.
std::vector<std::string> LoadLines(const std::vector<std::string>& log) {
  std::vector<std::string> lines;
  for (const auto& line : log) {
    if (line.starts_with("Devices: ") || line.find("left out") != std::string::npos) {
      lines.push_back(line);
    }
  }
  return lines;
}

TEST_F(NamesFileTest, FilesOfEveryShapeLoadInFileOrder) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> items;
    std::vector<Uid> devices;
  };
  const std::vector<Case> cases = {
      {"empty file", "", {}, {}},
      {"CR LF",
       "4A4C00000012=Stage\r\n10000ABCD=Wash\r\n",
       {"0 - ID:4A4C00000012", "1 - ID:10000ABCD"},
       {0x4A4C'0000'0012ULL, 0x1'0000'ABCDULL}},
      {"lower case key kept as written",
       "4a4c0000001f=spot\r\n",
       {"0 - ID:4a4c0000001f"},
       {0x4A4C'0000'001FULL}},
      {"duplicate keys are two devices",
       "000001=a\r\n000001=b\r\n",
       {"0 - ID:000001", "1 - ID:000001"},
       {1, 1}},
      {"LF ends", "000001=a\n000002=b", {"0 - ID:000001", "1 - ID:000002"}, {1, 2}},
      {"CR ends", "000001=a\r000002=b\r", {"0 - ID:000001", "1 - ID:000002"}, {1, 2}},
      {"NUL ends the text",
       std::string("000001=a\r\n000002=b\0"
                   "000003=c\r\n",
                   30),
       {"0 - ID:000001", "1 - ID:000002"},
       {1, 2}},
      {"Windows-1252 name", "000007=B\xFChne\r\n", {"0 - ID:000007"}, {7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form.reset();
    errorBoxes.clear();
    WriteFile(kDeviceNamesFile, c.bytes);
    Start({}, false);
    EXPECT_THAT(Items(*form), ElementsAreArray(c.items));
    EXPECT_THAT(Devices(*form), ElementsAreArray(c.devices));
    EXPECT_THAT(LoadLines(Log()), ElementsAre("Devices: " + std::to_string(c.items.size())));
    EXPECT_EQ(form->SelectedPosition(), c.items.empty() ? -1 : 0);
    EXPECT_TRUE(errorBoxes.empty());
  }
  EXPECT_EQ(form->namesList.GetName("000007"), "B\xC3\xBChne");
}

TEST_F(NamesFileTest, TenLinesGiveTenDevicesWithTheFirstSelected) {
  std::string bytes;
  for (int i = 0; i < 10; ++i) bytes += "4A4C0000001" + std::to_string(i) + "=Spot\r\n";
  WriteFile(kDeviceNamesFile, bytes);
  Start({}, false);
  ASSERT_EQ(form->ListBox1->count(), 10);
  EXPECT_EQ(Items(*form)[0], "0 - ID:4A4C00000010");
  EXPECT_EQ(Items(*form)[9], "9 - ID:4A4C00000019");
  EXPECT_EQ(form->deviceTable.count, 10);
  EXPECT_EQ(form->deviceTable.slots[10], 0x4A4C'0000'0019ULL);
  EXPECT_THAT(LoadLines(Log()), ElementsAre("Devices: 10"));
  EXPECT_EQ(form->SelectedPosition(), 0);
}

TEST_F(NamesFileTest, NoFileLeavesTheListEmptyAndLogsNothing) {
  Start({}, false);
  EXPECT_EQ(form->ListBox1->count(), 0);
  EXPECT_EQ(form->deviceTable.count, 0);
  EXPECT_EQ(form->SelectedPosition(), -1);
  EXPECT_TRUE(LoadLines(Log()).empty());
  EXPECT_FALSE(Exists(kDeviceNamesFile));
}

TEST_F(NamesFileTest, AKeyThatIsNotHexadecimalStopsTheLoadAfterShowingItsItem) {
  for (const std::string bad : {"4A4G00000001=x", "no equals sign", "", "=name", "-5=x"}) {
    SCOPED_TRACE(bad);
    form.reset();
    errorBoxes.clear();
    WriteFile(kDeviceNamesFile, "000001=a\r\n000002=b\r\n" + bad + "\r\n000004=d\r\n");
    Start({}, false);
    // Everything before the first "=" is the key; a line without one has none.
    const std::string key(KeyOfLine(bad));
    ASSERT_EQ(errorBoxes.size(), 1u);
    // The conversion error says where in the file it stopped.
    EXPECT_EQ(errorBoxes[0].toStdString(),
              "devnames.lst line 3: '0x" + key + "' is not a valid integer value");
    EXPECT_THAT(Items(*form), ElementsAre("0 - ID:000001", "1 - ID:000002", "2 - ID:" + key));
    EXPECT_THAT(Devices(*form), ElementsAre(1, 2));
    EXPECT_EQ(form->namesList.Count(), 4);
  }
}

TEST_F(NamesFileTest, MoreThanThirtyThreeEntriesLoadTheFirstThirtyThreeAndSayHowManyWereLeft) {
  std::string bytes;
  for (int i = 1; i <= 40; ++i) bytes += "0000" + std::to_string(10 + i) + "=x\r\n";
  WriteFile(kDeviceNamesFile, bytes);
  Start({}, false);
  EXPECT_EQ(form->deviceTable.count, 33);
  EXPECT_EQ(form->ListBox1->count(), 33);
  EXPECT_EQ(form->deviceTable.slots[33], 0x43u);
  EXPECT_EQ(form->namesList.Count(), 40);  // the names list keeps every line
  EXPECT_THAT(LoadLines(Log()),
              ElementsAre("Devices: 40",
                          "7 entries of devnames.lst left out: the device table holds 33 devices"));
  EXPECT_TRUE(errorBoxes.empty());
}

}  // namespace
}  // namespace korval::testing
