// The discover button on the virtual rig, in simulated time: the list, the
// table, the names file and the log that the operator sees.
#include <gmock/gmock.h>

#include <random>
#include <set>

#include "app/devices_room.h"
#include "app/tests/form_test.h"
#include "rdm/line_controller.h"
#include "rdm/rdm_constants.h"
#include "rdm/tests/discovery_log.h"
#include "sim/random_rig.h"

namespace korval::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using namespace rdm;

// The discovery commands as the line carries them.
WireRequest UnMuteAll() {
  return {kBroadcastUid, kDiscoveryCommand, kPidDiscUnMute, {}};
}
WireRequest Mute(Uid uid) {
  return {uid, kDiscoveryCommand, kPidDiscMute, {}};
}
WireRequest Branch(Uid lower, Uid upper) {
  WireRequest r{kBroadcastUid, kDiscoveryCommand, kPidDiscUniqueBranch, {}};
  for (Uid bound : {lower, upper}) {
    for (std::uint8_t b : UidToBytes(bound)) r.data.push_back(b);
  }
  return r;
}
constexpr Uid kTop = 0xFFFF'FFFF'FFFEULL;  // the highest UID a branch searches

class DiscoverTest : public FormTest {
 protected:
  std::vector<std::string> Items() const {
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(form->ListBox1->count()));
    for (int i = 0; i < form->ListBox1->count(); ++i) {
      items.push_back(form->ListBox1->item(i)->text().toStdString());
    }
    return items;
  }
  std::vector<Uid> Devices() const {
    const auto& slots = form->deviceTable.slots;
    return {slots.begin() + 1, slots.begin() + 1 + form->deviceTable.count};
  }
  long Count(const std::string& text) const { return std::count(Log().begin(), Log().end(), text); }
};

TEST_F(DiscoverTest, AnEmptyLineLogsExactlyTheProcedureAndLeavesTheFileAlone) {
  Start();
  ShowPage(form->TabSheet3);
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  Click(form->BitBtnDiscover);
  // Two unmutes, then the whole range asked five times without an answer.
  const WireRequest all = Branch(0, kTop);
  EXPECT_THAT(RequestsSince(requests),
              ElementsAre(UnMuteAll(), UnMuteAll(), all, all, all, all, all));
  std::vector<std::string> expected = EmptyLineDiscoveryLog();
  expected.push_back("Discovery finished.");
  EXPECT_THAT(LogSince(mark), ElementsAreArray(expected));
  EXPECT_TRUE(form->RdmPageActive());  // discovery makes the RDM page current first
  EXPECT_FALSE(form->artNetPageShown.load());
  EXPECT_EQ(form->ListBox1->count(), 0);
  EXPECT_EQ(form->SelectedPosition(), -1);
  EXPECT_FALSE(Exists(kDeviceNamesFile));
}

TEST_F(DiscoverTest, ANewResponderIsListedSavedUnderTheNameBoxTextAndSelectedWithoutARead) {
  Start({Fixture(0x7FF0'0000'0001ULL)});
  form->Edit1->setText("Stage");
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  Click(form->BitBtnDiscover);
  // The branches narrow down to the one responder and mute it; after that the
  // whole range is asked five times without an answer.
  const WireRequest all = Branch(0, kTop), upper = Branch(0x7FFF'FFFF'FFFFULL, kTop);
  EXPECT_THAT(RequestsSince(requests),
              ElementsAre(UnMuteAll(), UnMuteAll(), all, upper, upper, upper, upper,
                          Branch(0x3FFF'FFFF'FFFFULL, 0x7FFF'FFFF'FFFFULL),
                          Mute(0x7FF0'0000'0001ULL), all, all, all, all, all));
  EXPECT_THAT(Items(), ElementsAre("0 - ID:7FF000000001"));
  EXPECT_THAT(Devices(), ElementsAre(0x7FF0'0000'0001ULL));
  EXPECT_EQ(ReadFile(kDeviceNamesFile), "7FF000000001=Stage\r\n");
  EXPECT_EQ(form->SelectedPosition(), 0);
  EXPECT_EQ(form->Edit35->text(), "0");  // selected from code: no click handler ran
  EXPECT_TRUE(line.FindResponder(0x7FF0'0000'0001ULL)->Muted());
  const auto lines = LogSince(mark);
  EXPECT_EQ(lines.back(), "Discovery finished.");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "valid Discovery Response received"), 2);
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(DiscoverTest, KnownDevicesAreReMutedInTableOrderAndEveryNameIsReplaced) {
  constexpr Uid kA = 0x4A4C'0000'0012ULL, kB = 0x4A4C'0000'0013ULL, kC = 0x0001'0000'0005ULL;
  WriteFile(kDeviceNamesFile,
            "4A4C00000013=old b\r\n0000AB=gone\r\n4A4C00000012=old a\r\n"
            "100000005=old c\r\n");
  Start({Fixture(kA), Fixture(kB), Fixture(kC)});
  form->Edit1->setText("Stage");
  const std::size_t requests = RequestMark();
  Click(form->BitBtnDiscover);
  // Names-file order; the absent 0000AB is asked three times.
  EXPECT_THAT(RequestsSince(requests, kDiscoveryCommand, kPidDiscMute),
              ElementsAre(Mute(kB), Mute(0xAB), Mute(0xAB), Mute(0xAB), Mute(kA), Mute(kC)));
  // 0000AB does not answer: its entry is retried, the devices behind it are
  // searched for and listed after the ones that acknowledged.
  EXPECT_THAT(Items(),
              ElementsAre("0 - ID:4A4C00000013", "1 - ID:4A4C00000012", "2 - ID:000100000005"));
  EXPECT_THAT(Devices(), ElementsAre(kB, kA, kC));
  // Entries of devices that no longer answer stay in the file.
  EXPECT_EQ(ReadFile(kDeviceNamesFile),
            "4A4C00000013=Stage\r\n0000AB=gone\r\n4A4C00000012=Stage\r\n100000005=Stage\r\n");
}

TEST_F(DiscoverTest, AllKnownDevicesPresentNeedNoSearch) {
  WriteFile(kDeviceNamesFile, "000002=b\r\n000001=a\r\n");
  Start({Fixture(1), Fixture(2)});
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  Click(form->BitBtnDiscover);
  const WireRequest all = Branch(0, kTop);
  EXPECT_THAT(RequestsSince(requests),
              ElementsAre(UnMuteAll(), UnMuteAll(), Mute(2), Mute(1), all, all, all, all, all));
  EXPECT_THAT(Items(), ElementsAre("0 - ID:000000000002", "1 - ID:000000000001"));
  const auto lines = LogSince(mark);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kSilentDump), 5);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Collision detected"), 0);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "valid Discovery Response received"), 0);
}

TEST_F(DiscoverTest, CollidingRespondersAreAllFound) {
  const std::vector<Uid> uids = {0x7FFF'FFFF'FFF1ULL, 0x7FFF'FFFF'FFF0ULL, 0x0001'0000'0001ULL,
                                 0x0001'0000'0003ULL};
  std::vector<sim::ResponderConfig> rig;
  rig.reserve(uids.size());
  for (Uid uid : uids) rig.push_back(Fixture(uid));
  Start(rig);
  Click(form->BitBtnDiscover);
  EXPECT_GT(Count("Collision detected"), 0);
  const auto found = Devices();
  EXPECT_EQ(std::set<Uid>(found.begin(), found.end()), std::set<Uid>(uids.begin(), uids.end()));
  EXPECT_EQ(Items().front(), "0 - ID:7FFFFFFFFFF1");
}

TEST_F(DiscoverTest, WhenEveryLineCallFailsTheListEndsEmptyAndTheFileUntouched) {
  WriteFile(kDeviceNamesFile, "4A4C00000012=a\r\n");
  Start({Fixture(0x4A4C'0000'0012ULL)});
  line.Unplug();
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  Click(form->BitBtnDiscover);
  EXPECT_THAT(RequestsSince(requests), ElementsAre()) << "nothing reaches an unplugged line";
  const auto lines = LogSince(mark);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "message cannot be sent"), 2 + 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "no KORVAL widget found"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Discovery msg was not sent"), 5);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& s) { return s.starts_with("Response_:"); }),
            0);
  EXPECT_EQ(lines.back(), "Discovery finished.");
  EXPECT_EQ(form->deviceTable.count, 0);
  EXPECT_EQ(form->ListBox1->count(), 0);
  EXPECT_EQ(ReadFile(kDeviceNamesFile), "4A4C00000012=a\r\n");
}

class DiscoverManyTest : public DiscoverTest, public ::testing::WithParamInterface<int> {};

TEST_P(DiscoverManyTest, RandomRespondersFillTheTableAndNoMore) {
  const int n = GetParam();
  const auto uids = sim::RandomUids(static_cast<std::uint64_t>(n), n);
  std::vector<sim::ResponderConfig> rig;
  rig.reserve(uids.size());
  for (Uid uid : uids) rig.push_back(Fixture(uid));
  Start(rig);
  form->Edit1->setText("x");
  Click(form->BitBtnDiscover);
  EXPECT_EQ(form->deviceTable.count, 33);
  EXPECT_EQ(form->ListBox1->count(), 33);
  const auto found = Devices();
  const std::set<Uid> stored(found.begin(), found.end());
  EXPECT_EQ(stored.size(), 33u);
  for (Uid uid : stored) EXPECT_EQ(std::count(uids.begin(), uids.end(), uid), 1) << uid;
  EXPECT_EQ(Count("Device table full: 33 devices, further devices are not listed"), n > 33 ? 1 : 0);
  const std::string file = ReadFile(kDeviceNamesFile);
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 33);
  EXPECT_EQ(Log().back(), "Discovery finished.");
}

INSTANTIATE_TEST_SUITE_P(ThirtyThreeAndAThirtyFourth, DiscoverManyTest, ::testing::Values(33, 34));

TEST_F(DiscoverTest, AResponderThatNeverMutesIsLeftOutAndTheDiscoveryStillFinishes) {
  sim::ResponderConfig stubborn = Fixture(0x4A4C'0000'0001ULL);
  stubborn.faults.ignores_mute = true;
  Start({stubborn, Fixture(0x0100'0000'0005ULL)});
  Click(form->BitBtnDiscover);
  EXPECT_FALSE(dynamic_cast<LineController&>(form->controller).LastDiscovery().StoppedAtBound());
  EXPECT_EQ(
      Count("Discovery: 0x4A4C00000001 does not acknowledge mute: left out of this discovery"), 1);
  EXPECT_EQ(Log().back(), "Discovery finished.");
  EXPECT_THAT(Items(), ElementsAre("0 - ID:010000000005"));
  EXPECT_EQ(ReadFile(kDeviceNamesFile).find("4A4C00000001"), std::string::npos);
}

}  // namespace
}  // namespace korval::testing
