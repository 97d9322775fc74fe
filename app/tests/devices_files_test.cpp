// The names file when it is protected, unreadable, longer than the table, or
// names a broadcast address: nothing the file holds is lost or misused.
#include <gmock/gmock.h>
#include <sys/stat.h>

#include "app/tests/form_test.h"
#include "base/tests/ordinary_user.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace rdm;

const std::string kFiveDevices = "00000A=a\r\n00000B=b\r\n00000C=c\r\n00000D=d\r\n00000E=e\r\n";

class NamesFileSafetyTest : public FormTest {
 protected:
  mode_t Mode(const std::string& name) const {
    struct stat st {};
    EXPECT_EQ(::stat(name.c_str(), &st), 0) << name;
    return st.st_mode & 07777;
  }
  std::vector<std::string> Items() const {
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(form->ListBox1->count()));
    for (int i = 0; i < form->ListBox1->count(); ++i) {
      items.push_back(form->ListBox1->item(i)->text().toStdString());
    }
    return items;
  }
  static std::string Lines(int first, int last, const std::string& name) {
    std::string bytes;
    for (int i = first; i <= last; ++i) {
      bytes += "0000" + std::to_string(10 + i) + "=" + name + "\r\n";
    }
    return bytes;
  }
};

TEST_F(NamesFileSafetyTest, AWriteProtectedNamesFileIsNeitherReplacedNorChanged) {
  RunAsOrdinaryUser(directory, [&] {
    WriteFile(kDeviceNamesFile, kFiveDevices);
    ASSERT_EQ(::chmod(kDeviceNamesFile, 0444), 0);
    Start({Fixture(0x4A4C'0000'0012ULL)});
    ASSERT_EQ(form->deviceTable.count, 5);
    form->SelectPosition(3);
    Click(form->SpeedButtonUp);
    Click(form->BitBtnDiscover);
    ASSERT_EQ(errorBoxes.size(), 2u);
    for (const QString& box : errorBoxes) {
      EXPECT_EQ(box.toStdString(), "Cannot create file devnames.lst: Permission denied");
    }
  });
  EXPECT_EQ(ReadFile(kDeviceNamesFile), kFiveDevices);
  EXPECT_EQ(Mode(kDeviceNamesFile), 0444u);
}

TEST_F(NamesFileSafetyTest, ASaveTheUserMayMakeKeepsTheFilesMode) {
  WriteFile(kDeviceNamesFile, kFiveDevices);
  ASSERT_EQ(::chmod(kDeviceNamesFile, 0640), 0);
  Start({}, false);
  form->Edit1->setText("Stage");
  form->SelectPosition(3);
  Click(form->SpeedButtonUp);
  EXPECT_TRUE(errorBoxes.empty());
  EXPECT_THAT(ReadFile(kDeviceNamesFile), StartsWith("00000A=a\r\n00000B=b\r\n00000D=d"));
  EXPECT_EQ(Mode(kDeviceNamesFile), 0640u);
}

TEST_F(NamesFileSafetyTest, ANamesFileThatCouldNotBeReadIsNeverSavedOver) {
  const std::string three = "4A4C00000012=a\r\n4A4C00000013=b\r\n4A4C00000099=kept\r\n";
  RunAsOrdinaryUser(directory, [&] {
    WriteFile(kDeviceNamesFile, three);
    ASSERT_EQ(::chmod(kDeviceNamesFile, 0200), 0);
    Start({Fixture(0x4A4C'0000'0012ULL), Fixture(0x4A4C'0000'0013ULL)});
    ASSERT_EQ(errorBoxes.size(), 1u);
    EXPECT_EQ(errorBoxes[0].toStdString(), "Cannot open file devnames.lst: Permission denied");
    Click(form->BitBtnDiscover);
    EXPECT_THAT(Items(), ElementsAre("0 - ID:4A4C00000012", "1 - ID:4A4C00000013"));
    ASSERT_EQ(errorBoxes.size(), 2u);
    EXPECT_THAT(errorBoxes[1].toStdString(), StartsWith("Cannot create file devnames.lst: "));
  });
  // Read back with the rights of whoever runs the test.
  ASSERT_EQ(::chmod(kDeviceNamesFile, 0600), 0);
  EXPECT_EQ(ReadFile(kDeviceNamesFile), three);
}

TEST_F(NamesFileSafetyTest, EveryRewriteKeepsTheEntriesTheTableCouldNotHoldAfterItsDevices) {
  // Lines 34 to 40 stay after the 33 devices; every line keeps its name.
  WriteFile(kDeviceNamesFile, Lines(1, 33, "x") + Lines(34, 40, "y"));
  WriteFile("devnames.lst.saving-Ab12Cd", "left by a killed save");
  Start({}, false);
  form->Edit1->setText("Stage");
  form->SelectPosition(3);
  Click(form->SpeedButtonUp);
  const std::string moved = "000011=x\r\n000012=x\r\n000014=x\r\n000013=x\r\n";
  EXPECT_EQ(ReadFile(kDeviceNamesFile), moved + Lines(5, 33, "x") + Lines(34, 40, "y"));
  EXPECT_EQ(form->namesList.Count(), 40);
  EXPECT_FALSE(Exists("devnames.lst.saving-Ab12Cd"));

  form->SelectPosition(3);
  Type(form->Edit35, "1");  // the typed move rewrites the file too
  EXPECT_EQ(ReadFile(kDeviceNamesFile), "000011=x\r\n000013=x\r\n000012=x\r\n000014=x\r\n" +
                                            Lines(5, 33, "x") + Lines(34, 40, "y"));

  // A device found by discovery is in the table: its line is not kept twice.
  // 000036 is line 26, in the table; 000049 is line 39, past it.
  form.reset();
  Start({Fixture(0x36), Fixture(0x49)});
  form->Edit1->setText("Found");
  Click(form->BitBtnDiscover);
  ASSERT_EQ(form->deviceTable.count, 2);
  const Uid first = form->deviceTable.slots[1], second = form->deviceTable.slots[2];
  form->SelectPosition(1);
  Click(form->SpeedButtonUp);
  EXPECT_EQ(ReadFile(kDeviceNamesFile), UidText(second) + "=Found\r\n" + UidText(first) +
                                            "=Found\r\n" + Lines(34, 38, "y") + Lines(40, 40, "y"));
  EXPECT_TRUE(errorBoxes.empty());
}

// A file read only in part is a file that could not be read: whatever the
// operator does next, it stays as it is, and its bad line is no device.
TEST_F(NamesFileSafetyTest, ALoadStoppedByABadKeyLeavesTheFileAloneAndItsLineUnaddressed) {
  constexpr Uid kSpot = 0x4B52'2C1F'0A37ULL, kDimmer = 0x4B52'1196'F2A8ULL;
  const std::string file = "4B522C1F0A37=Spot links\r\nZZZZ=bad\r\n4B521196F2A8=Dimmer\r\n";
  WriteFile(kDeviceNamesFile, file);
  Start({Fixture(kSpot), Fixture(kDimmer)});
  ASSERT_EQ(errorBoxes.size(), 1u);
  EXPECT_EQ(errorBoxes[0].toStdString(),
            "devnames.lst line 2: '0xZZZZ' is not a valid integer value");
  EXPECT_THAT(Items(), ElementsAre("0 - ID:4B522C1F0A37", "1 - ID:ZZZZ"));
  const std::string skipped =
      "Position 1 is a line of the names file that could not be read: skipped";

  // Selecting the bad line reads nothing and moves nothing.
  auto mark = LogMark();
  SelectListItem(1);
  EXPECT_THAT(LogSince(mark), ElementsAre(skipped));
  EXPECT_EQ(errorBoxes.size(), 1u);
  mark = LogMark();
  Click(form->BitBtnRead);
  Click(form->BitBtnIdentify);
  EXPECT_THAT(LogSince(mark), ElementsAre(skipped, skipped));

  // Every operation that would save the file is refused with the file error.
  form->Edit1->setText("Stage");
  Click(form->SpeedButtonUp);
  Click(form->BitBtnDiscover);
  ASSERT_EQ(errorBoxes.size(), 3u);
  for (std::size_t i = 1; i < errorBoxes.size(); ++i) {
    EXPECT_THAT(errorBoxes[i].toStdString(), StartsWith("Cannot create file devnames.lst: "));
  }
  EXPECT_EQ(ReadFile(kDeviceNamesFile), file);
  for (const auto& recorded : line.Requests()) EXPECT_NE(recorded.request.destination, 0u);
}

TEST_F(NamesFileSafetyTest, ANulByteThatEndsTheTextIsNamedWithItsLine) {
  // The literal's own terminating NUL goes into the file too.
  constexpr char kText[] =
      "000001=a\r\n000002=b\0"
      "000003=c\r\n";
  WriteFile(kDeviceNamesFile, std::string(kText, sizeof kText));
  Start({}, false);
  EXPECT_EQ(form->deviceTable.count, 2);
  EXPECT_THAT(Log(),
              ::testing::Contains(
                  "devnames.lst line 2: a NUL byte ends the text; nothing after it is read"));
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(NamesFileSafetyTest, ABroadcastEntryIsListedButNeverAddressed) {
  constexpr Uid kA = 0x4A4C'0000'0001ULL, kB = 0x4A4C'0000'0002ULL, kC = 0x4A4C'0000'0003ULL;
  WriteFile(kDeviceNamesFile,
            "4A4C00000001=a\r\nFFFFFFFFFFFF=all\r\n4A4C00000002=b\r\n4b52ffffffff=maker\r\n"
            "4A4C00000003=c\r\n");
  Start({Fixture(kA), Fixture(kB), Fixture(kC)});
  EXPECT_THAT(Items(),
              ElementsAre("0 - ID:4A4C00000001", "1 - ID:FFFFFFFFFFFF", "2 - ID:4A4C00000002",
                          "3 - ID:4b52ffffffff", "4 - ID:4A4C00000003"));
  EXPECT_EQ(form->deviceTable.count, 5);
  EXPECT_THAT(
      std::vector<Uid>(form->deviceTable.slots.begin() + 1, form->deviceTable.slots.begin() + 6),
      ElementsAre(kA, 0, kB, 0, kC));
  const std::vector<std::string> withheld = {
      "devnames.lst line 2: FFFFFFFFFFFF is a broadcast address: listed at position 1, not used "
      "for operations",
      "devnames.lst line 4: 4b52ffffffff is a broadcast address: listed at position 3, not used "
      "for operations"};
  EXPECT_THAT(Log(), ::testing::IsSupersetOf(withheld));

  std::size_t requests = RequestMark();
  // Selecting it, reading, writing and identifying it send nothing.
  SelectListItem(3);
  EXPECT_EQ(form->Edit35->text(), "3");
  EXPECT_FALSE(form->BitBtnWrite->isEnabled());
  form->BitBtnWrite->setEnabled(true);
  Click(form->BitBtnWrite);
  Click(form->BitBtnRead);
  Click(form->BitBtnIdentify);
  EXPECT_THAT(RequestsSince(requests), ElementsAre());
  // The map's Read and Write pass over it too: one DEVICE_INFO, then one
  // DMX_START_ADDRESS, for each real device.
  form->SetActivePage(form->TabSheet2);
  form->SelectPosition(1);
  Click(form->Button6);
  EXPECT_THAT(RequestsSince(requests),
              ElementsAre(WireRequest{kA, kGetCommand, kPidDeviceInfo, {}},
                          WireRequest{kB, kGetCommand, kPidDeviceInfo, {}},
                          WireRequest{kC, kGetCommand, kPidDeviceInfo, {}}));
  requests = RequestMark();
  Click(form->Button7);
  EXPECT_THAT(RequestsSince(requests),
              ElementsAre(WireRequest{kA, kSetCommand, kPidDmxStartAddress, {0x00, 0x01}},
                          WireRequest{kB, kSetCommand, kPidDmxStartAddress, {0x00, 0x01}},
                          WireRequest{kC, kSetCommand, kPidDmxStartAddress, {0x00, 0x01}}));
  const std::string skipped3 = "Position 3 (4B52FFFFFFFF) is a broadcast address: skipped";
  EXPECT_EQ(std::count(Log().begin(), Log().end(), skipped3), 6);

  // Batch addressing gives the others their addresses and skips it.
  form->SetActivePage(form->TabSheet1);
  Type(form->EditAddr, "100");
  Type(form->EditChannel, "10");
  Type(form->EditEnd, "4");
  const std::size_t batch = LogMark();
  requests = RequestMark();
  Click(form->BitBtn1);
  EXPECT_THAT(RequestsSince(requests),
              ElementsAre(WireRequest{kA, kSetCommand, kPidDmxStartAddress, {0x00, 100}},
                          WireRequest{kB, kSetCommand, kPidDmxStartAddress, {0x00, 120}},
                          WireRequest{kC, kSetCommand, kPidDmxStartAddress, {0x00, 140}}));
  EXPECT_EQ(line.FindResponder(kA)->StartAddress(), 100);
  EXPECT_EQ(line.FindResponder(kB)->StartAddress(), 120);
  EXPECT_EQ(line.FindResponder(kC)->StartAddress(), 140);
  const std::vector<std::string> skips = {
      "Position 1 (FFFFFFFFFFFF) is a broadcast address: skipped", skipped3};
  EXPECT_THAT(LogSince(batch), ::testing::IsSupersetOf(skips));

  // A patch file keeps what the list shows, and loading it withholds the entry again.
  form->SavePatch.choose = [] { return std::optional<QString>("rig.pat"); };
  Click(form->Button8);
  form->OpenPatch.choose = [] { return std::optional<QString>("rig.pat"); };
  Click(form->Button9);
  EXPECT_EQ(Items()[3], "0x4B52FFFFFFFF");
  EXPECT_EQ(form->deviceTable.slots[4], 0u);
  EXPECT_THAT(Log(),
              ::testing::Contains(HasSubstr("rig.pat record 4: 4B52FFFFFFFF is a broadcast")));

  // A reorder moves it and keeps its line; discovery leaves it out of the table.
  form->Edit1->setText("Stage");
  form->SelectPosition(2);
  Click(form->SpeedButtonUp);
  EXPECT_EQ(ReadFile(kDeviceNamesFile),
            "4A4C00000001=a\r\n4A4C00000002=b\r\nFFFFFFFFFFFF=all\r\n"
            "4B52FFFFFFFF=maker\r\n4A4C00000003=c\r\n");
  const std::size_t beforeDiscovery = RequestMark();
  Click(form->BitBtnDiscover);
  const std::vector<WireRequest> discovery = RequestsSince(beforeDiscovery);
  EXPECT_FALSE(discovery.empty());
  // Only the real devices are muted; neither broadcast entry is addressed.
  EXPECT_THAT(RequestsSince(beforeDiscovery, kDiscoveryCommand, kPidDiscMute),
              ElementsAre(WireRequest{kA, kDiscoveryCommand, kPidDiscMute, {}},
                          WireRequest{kB, kDiscoveryCommand, kPidDiscMute, {}},
                          WireRequest{kC, kDiscoveryCommand, kPidDiscMute, {}}));
  for (const WireRequest& r : discovery) {
    EXPECT_NE(r.destination, 0x4B52'FFFF'FFFFULL);
    if (r.destination == kBroadcastUid) {
      EXPECT_EQ(r.commandClass, kDiscoveryCommand);
    }
  }
  EXPECT_EQ(form->deviceTable.count, 3);
  EXPECT_THAT(ReadFile(kDeviceNamesFile), HasSubstr("FFFFFFFFFFFF=all\r\n"));
  EXPECT_THAT(ReadFile(kDeviceNamesFile), HasSubstr("4B52FFFFFFFF=maker\r\n"));
  EXPECT_TRUE(errorBoxes.empty());
}

}  // namespace
}  // namespace korval::testing
