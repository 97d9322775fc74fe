// Batch addressing: the four boxes that correct themselves as the operator
// types, and one click giving a run of fixtures their start addresses.
#include <gmock/gmock.h>

#include "app/tests/form_test.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using ::testing::ElementsAre;

using rdm::kPidDmxStartAddress;
using rdm::kSetCommand;

constexpr Uid kUids[] = {0x4A4C'0000'0010ULL, 0x4A4C'0000'0011ULL, 0x4A4C'0000'0012ULL,
                         0x4A4C'0000'0013ULL, 0x4A4C'0000'0014ULL};

class BatchTest : public FormTest {
 protected:
  // Five fixtures on the line, known from the names file in UID order.
  void StartWithFive() {
    std::string names;
    std::vector<sim::ResponderConfig> rig;
    for (Uid uid : kUids) {
      names += UidText(uid) + "=x\r\n";
      rig.push_back(Fixture(uid));
    }
    WriteFile(kDeviceNamesFile, names);
    Start(rig);
  }
  // The DMX_START_ADDRESS set of one fixture (a list index) or a broadcast.
  static WireRequest StartAddressSet(Uid uid, std::uint8_t high, std::uint8_t low) {
    return {uid, kSetCommand, kPidDmxStartAddress, {high, low}};
  }
  std::vector<int> Addresses() {
    std::vector<int> addresses;
    for (Uid uid : kUids) addresses.push_back(line.FindResponder(uid)->StartAddress());
    return addresses;
  }
  void Fill(const char* a, const char* i, const char* s, const char* e) {
    Type(form->EditAddr, a);
    Type(form->EditChannel, i);
    Type(form->EditStart, s);
    Type(form->EditEnd, e);
  }
};

TEST_F(BatchTest, OutOfRangeValuesAreCorrectedAndLoggedByTheNestedRunFirst) {
  StartWithFive();
  struct Case {
    QLineEdit* TForm1::*box;
    const char* typed;
    const char* shown;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {&TForm1::EditAddr, "0", "1", {"DMX Address:1", "DMX Address:1"}},
      {&TForm1::EditAddr, "600", "512", {"DMX Address:512", "DMX Address:512"}},
      {&TForm1::EditAddr, "17", "17", {"DMX Address:17"}},
      {&TForm1::EditChannel, "512", "511", {"Inc Channel:511", "Inc Channel:511"}},
      {&TForm1::EditChannel, "-4", "0", {"Inc Channel:0", "Inc Channel:0"}},
      {&TForm1::EditChannel, "16", "16", {"Inc Channel:16"}},
      {&TForm1::EditStart, "9", "4", {"Start Fixture:4", "Start Fixture:4"}},
      {&TForm1::EditStart, "-1", "0", {"Start Fixture:0", "Start Fixture:0"}},
      {&TForm1::EditEnd, "9", "4", {"End Fixture:4", "End Fixture:4"}},
      {&TForm1::EditEnd, "2", "2", {"End Fixture:2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    QLineEdit* box = form.get()->*c.box;
    const std::size_t mark = LogMark();
    Type(box, c.typed);
    EXPECT_EQ(box->text(), c.shown);
    EXPECT_EQ(LogSince(mark), c.lines);
  }
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(BatchTest, WithoutDevicesTheFixtureBoxesHoldZero) {
  Start();
  const std::size_t mark = LogMark();
  Type(form->EditStart, "3");
  Type(form->EditEnd, "1");
  EXPECT_EQ(form->EditStart->text(), "0");
  EXPECT_EQ(form->EditEnd->text(), "0");
  EXPECT_THAT(LogSince(mark),
              ElementsAre("Start Fixture:0", "Start Fixture:0", "End Fixture:0", "End Fixture:0"));
}

TEST_F(BatchTest, TextThatIsNotANumberShowsTheErrorAndLogsNothing) {
  StartWithFive();
  const std::size_t mark = LogMark();
  for (QLineEdit* box : {form->EditAddr, form->EditChannel, form->EditStart, form->EditEnd}) {
    Type(box, "-");
  }
  ASSERT_EQ(errorBoxes.size(), 4u);
  EXPECT_EQ(errorBoxes[0], "'-' is not a valid integer value");
  EXPECT_TRUE(LogSince(mark).empty());

  // The click meets the same text: it ends before any request or line.
  const std::size_t requests = RequestMark();
  Click(form->BitBtn1);
  EXPECT_EQ(errorBoxes.size(), 5u);
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_THAT(RequestsSince(requests), ElementsAre());
}

TEST_F(BatchTest, AddressesPastTheLastChannelStopAt512) {
  StartWithFive();
  Fill("500", "10", "0", "3");
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  Click(form->BitBtn1);
  EXPECT_THAT(Addresses(), ElementsAre(500, 510, 512, 512, 1));
  EXPECT_THAT(
      RequestsSince(requests),
      ElementsAre(StartAddressSet(kUids[0], 0x01, 0xF4), StartAddressSet(kUids[1], 0x01, 0xFE),
                  StartAddressSet(kUids[2], 0x02, 0x00), StartAddressSet(kUids[3], 0x02, 0x00)));
  const auto lines = LogSince(mark);
  EXPECT_EQ(lines.back(), "Start ADDR:500 Inc Channel:10 Start Fixture:0 End Fixture:3");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Setting start address of 0x4A4C00000012"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Setting start address of 0x4A4C00000014"), 0);
}

TEST_F(BatchTest, ARunFromTheMiddleCountsOffsetsFromItsFirstFixture) {
  StartWithFive();
  Fill("1", "16", "1", "3");
  const std::size_t requests = RequestMark();
  Click(form->BitBtn1);
  EXPECT_THAT(Addresses(), ElementsAre(1, 1, 17, 33, 1));
  EXPECT_THAT(RequestsSince(requests), ElementsAre(StartAddressSet(kUids[1], 0x00, 0x01),
                                                   StartAddressSet(kUids[2], 0x00, 0x11),
                                                   StartAddressSet(kUids[3], 0x00, 0x21)));
}

TEST_F(BatchTest, OneFixtureWhenStartEqualsEndAndNoneWhenEndIsBelowStart) {
  StartWithFive();
  Fill("77", "5", "2", "2");
  std::size_t requests = RequestMark();
  Click(form->BitBtn1);
  EXPECT_THAT(Addresses(), ElementsAre(1, 1, 77, 1, 1));
  EXPECT_THAT(RequestsSince(requests), ElementsAre(StartAddressSet(kUids[2], 0x00, 0x4D)));

  Fill("99", "5", "3", "1");
  requests = RequestMark();
  const std::size_t mark = LogMark();
  Click(form->BitBtn1);
  EXPECT_THAT(LogSince(mark),
              ElementsAre("Start ADDR:99 Inc Channel:5 Start Fixture:3 End Fixture:1"));
  EXPECT_THAT(RequestsSince(requests), ElementsAre());
  EXPECT_THAT(Addresses(), ElementsAre(1, 1, 77, 1, 1));
}

TEST_F(BatchTest, AnIncrementOfZeroBroadcastsOnceWhateverTheRun) {
  StartWithFive();
  Fill("200", "0", "3", "1");
  const std::size_t requests = RequestMark();
  const std::size_t mark = LogMark();
  Click(form->BitBtn1);
  EXPECT_THAT(RequestsSince(requests), ElementsAre(StartAddressSet(kBroadcastUid, 0x00, 0xC8)));
  EXPECT_THAT(Addresses(), ElementsAre(200, 200, 200, 200, 200));
  const auto lines = LogSince(mark);
  EXPECT_EQ(lines.front(), "Setting start address of 0xFFFFFFFFFFFF");
  EXPECT_EQ(lines.back(), "Start ADDR:200 Inc Channel:0 Start Fixture:3 End Fixture:1");
}

}  // namespace
}  // namespace korval::testing
