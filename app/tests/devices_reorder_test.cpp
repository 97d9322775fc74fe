// Reordering the devices: typing a position into the serial-number box, and the
// up and down buttons. The names file follows every move.
#include <gmock/gmock.h>

#include "app/tests/form_test.h"

namespace korval::testing {
namespace {

using ::testing::ElementsAre;

constexpr Uid kA = 0xA, kB = 0xB, kC = 0xC, kD = 0xD, kE = 0xE;
const std::string kFiveDevices = "00000A=a\r\n00000B=b\r\n00000C=c\r\n00000D=d\r\n00000E=e\r\n";

class ReorderTest : public FormTest {
 protected:
  void StartWithFive() {
    WriteFile(kDeviceNamesFile, kFiveDevices);
    Start({}, false);
    form->Edit1->setText("Stage");
  }
  std::vector<Uid> Devices() const {
    const auto& slots = form->deviceTable.slots;
    return {slots.begin() + 1, slots.begin() + 1 + form->deviceTable.count};
  }
  // What the file holds after a rewrite: every device under its own name (the
  // file's are a to e), never the name box's text.
  static std::string Written(std::initializer_list<const char*> keys) {
    std::string bytes;
    for (const char* key : keys) {
      const std::string k(key);
      bytes += k + "=" + static_cast<char>(k.back() - 'A' + 'a') + "\r\n";
    }
    return bytes;
  }
};

TEST_F(ReorderTest, TypingAPositionMovesTheSelectedDeviceUpAndRewritesTheFile) {
  StartWithFive();
  form->SelectPosition(3);  // D
  const std::size_t mark = LogMark();
  Type(form->Edit35, "1");
  EXPECT_THAT(Devices(), ElementsAre(kA, kD, kB, kC, kE));
  EXPECT_EQ(ReadFile(kDeviceNamesFile),
            Written({"00000A", "00000D", "00000B", "00000C", "00000E"}));
  EXPECT_THAT(LogSince(mark), ElementsAre("Devices: 5", "device:1 Change "));
  EXPECT_EQ(form->SelectedPosition(), 1);
  EXPECT_EQ(form->ListBox1->item(1)->text(), "1 - ID:00000D");
}

TEST_F(ReorderTest, APositionPastTheLastIsCorrectedByANestedRunThatOnlySelects) {
  StartWithFive();
  form->SelectPosition(1);
  const std::size_t mark = LogMark();
  Type(form->Edit35, "9");
  EXPECT_EQ(form->Edit35->text(), "4");
  EXPECT_THAT(Devices(), ElementsAre(kA, kB, kC, kD, kE));  // moving down by typing only selects
  EXPECT_EQ(ReadFile(kDeviceNamesFile),
            Written({"00000A", "00000B", "00000C", "00000D", "00000E"}));
  // The nested run logs first, with the change; the outer one finds it done.
  EXPECT_THAT(LogSince(mark), ElementsAre("Devices: 5", "device:4 Change ", "device:4"));
  EXPECT_EQ(form->SelectedPosition(), 4);
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(ReorderTest, TypingTheSelectedPositionOnlyLogsIt) {
  StartWithFive();
  form->SelectPosition(2);
  const std::size_t mark = LogMark();
  Type(form->Edit35, "2");
  EXPECT_THAT(LogSince(mark), ElementsAre("device:2"));
  EXPECT_EQ(ReadFile(kDeviceNamesFile), kFiveDevices);
}

TEST_F(ReorderTest, ANegativePositionNeverMovesADevice) {
  StartWithFive();
  form->SelectPosition(3);
  const std::size_t mark = LogMark();
  Type(form->Edit35, "-2");
  EXPECT_THAT(Devices(), ElementsAre(kA, kB, kC, kD, kE));
  EXPECT_THAT(LogSince(mark), ElementsAre("Devices: 5", "device:-2 Change "));
  EXPECT_EQ(form->SelectedPosition(), -1);
}

TEST_F(ReorderTest, WithNoDevicesAnyNumberBecomesMinusOne) {
  Start({}, false);
  const std::size_t mark = LogMark();
  Type(form->Edit35, "3");
  EXPECT_EQ(form->Edit35->text(), "-1");
  EXPECT_THAT(LogSince(mark), ElementsAre("device:-1", "device:-1"));
  EXPECT_EQ(form->SelectedPosition(), -1);
  EXPECT_FALSE(Exists(kDeviceNamesFile));
}

TEST_F(ReorderTest, TextThatIsNotANumberShowsTheErrorAndDoesNothing) {
  StartWithFive();
  form->SelectPosition(3);
  const std::size_t mark = LogMark();
  Type(form->Edit35, "");
  Type(form->Edit35, "-");
  EXPECT_TRUE(LogSince(mark).empty());
  ASSERT_EQ(errorBoxes.size(), 2u);
  EXPECT_EQ(errorBoxes[0], "'' is not a valid integer value");
  EXPECT_EQ(form->SelectedPosition(), 3);
  EXPECT_EQ(ReadFile(kDeviceNamesFile), kFiveDevices);
}

TEST_F(ReorderTest, UpMovesTheDeviceOnePlaceAndLeavesNothingSelected) {
  StartWithFive();
  form->SelectPosition(3);
  const std::size_t mark = LogMark();
  Click(form->SpeedButtonUp);
  EXPECT_THAT(Devices(), ElementsAre(kA, kB, kD, kC, kE));
  EXPECT_EQ(ReadFile(kDeviceNamesFile),
            Written({"00000A", "00000B", "00000D", "00000C", "00000E"}));
  EXPECT_THAT(LogSince(mark), ElementsAre("Devices: 5", "UP Success "));
  EXPECT_EQ(form->SelectedPosition(), -1);
  EXPECT_EQ(form->ListBox1->item(2)->text(), "2 - ID:00000D");
}

// A device the names list has no line for (one a patch file listed, say)
// takes the name box's text; every other keeps its own.
TEST_F(ReorderTest, OnlyADeviceWithoutANameTakesTheNameBoxText) {
  StartWithFive();
  form->namesList.Assign({"00000A=a", "00000B=b", "00000D=d", "00000E=e"});
  form->SelectPosition(3);
  Click(form->SpeedButtonUp);
  EXPECT_EQ(ReadFile(kDeviceNamesFile),
            "00000A=a\r\n00000B=b\r\n00000D=d\r\n00000C=Stage\r\n00000E=e\r\n");
}

TEST_F(ReorderTest, DownMovesTheDeviceOnePlaceAndKeepsItSelected) {
  StartWithFive();
  form->SelectPosition(1);
  const std::size_t mark = LogMark();
  Click(form->SpeedButton3);
  EXPECT_THAT(Devices(), ElementsAre(kA, kC, kB, kD, kE));
  EXPECT_EQ(ReadFile(kDeviceNamesFile),
            Written({"00000A", "00000C", "00000B", "00000D", "00000E"}));
  EXPECT_THAT(LogSince(mark), ElementsAre("Devices: 5", "Down Success "));
  EXPECT_EQ(form->SelectedPosition(), 2);
}

TEST_F(ReorderTest, AtTheEndsTheButtonsOnlySelectAndTouchNeitherTableNorFile) {
  struct Case {
    const char* name;
    int selected;
    bool up;
    const char* line;
    int selectedAfter;
  };
  for (const Case& c : {Case{"up from the top", 0, true, "UP On the top ", 0},
                        Case{"up with none", -1, true, "UP On the top ", 0},
                        Case{"down from the bottom", 4, false, "Down On the bottom ", 4},
                        Case{"down with none", -1, false, "Down On the bottom ", 4}}) {
    SCOPED_TRACE(c.name);
    form.reset();
    StartWithFive();
    form->SelectPosition(c.selected);
    const std::size_t mark = LogMark();
    Click(c.up ? form->SpeedButton2 : form->SpeedButtonDown);
    EXPECT_THAT(LogSince(mark), ElementsAre(c.line));
    EXPECT_EQ(form->SelectedPosition(), c.selectedAfter);
    EXPECT_THAT(Devices(), ElementsAre(kA, kB, kC, kD, kE));
    EXPECT_EQ(ReadFile(kDeviceNamesFile), kFiveDevices);
  }
}

TEST_F(ReorderTest, AFailedSaveShowsTheFileErrorAndLeavesTheListAsItWas) {
  StartWithFive();
  // A directory where the file should be: the rename over it fails.
  ASSERT_EQ(std::remove(kDeviceNamesFile), 0);
  ASSERT_EQ(std::system("mkdir devnames.lst"), 0);
  form->SelectPosition(3);
  const std::size_t mark = LogMark();
  Click(form->SpeedButtonUp);
  ASSERT_EQ(errorBoxes.size(), 1u);
  EXPECT_THAT(errorBoxes[0].toStdString(), ::testing::HasSubstr("devnames.lst"));
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_THAT(Devices(), ElementsAre(kA, kB, kD, kC, kE));
  EXPECT_EQ(form->ListBox1->item(2)->text(), "2 - ID:00000C");
}

}  // namespace
}  // namespace korval::testing
