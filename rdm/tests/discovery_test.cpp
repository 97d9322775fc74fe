#include "rdm/discovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "rdm/tests/discovery_fixture.h"
#include "rdm/tests/discovery_log.h"
#include "rdm/tests/scripted_line.h"
#include "sim/random_rig.h"
#include "sim/virtual_line.h"

namespace korval {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::ScriptedLine;

// A DISC_UNIQUE_BRANCH answer as E1.20 puts it on the line.
std::vector<std::uint8_t> BranchAnswer(Uid uid, std::size_t preamble = 7, int checksumError = 0) {
  std::vector<std::uint8_t> bytes(preamble, 0xFE);
  bytes.push_back(0xAA);
  unsigned sum = 0;
  for (std::uint8_t b : UidToBytes(uid)) {
    for (std::uint8_t e : {std::uint8_t(b | 0xAA), std::uint8_t(b | 0x55)}) {
      bytes.push_back(e);
      sum += e;
    }
  }
  sum += checksumError;
  for (std::uint8_t b : {std::uint8_t(sum >> 8), std::uint8_t(sum)}) {
    bytes.push_back(b | 0xAA);
    bytes.push_back(b | 0x55);
  }
  return bytes;
}

constexpr Uid kUid = 0x7FF0'0000'0001ULL;

// The answer of UID 7FF0:00000001, byte by byte: every UID and checksum byte
// goes out twice, ORed with 0xAA and with 0x55.
constexpr std::uint8_t kAnswer[] = {
    0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE,  // preamble
    0xAA,                                      // preamble separator
    0xFF, 0x7F,                                // manufacturer ID, high byte 0x7F
    0xFA, 0xF5,                                // manufacturer ID, low byte 0xF0
    0xAA, 0x55,                                // device ID, byte 1: 0x00
    0xAA, 0x55,                                // device ID, byte 2: 0x00
    0xAA, 0x55,                                // device ID, byte 3: 0x00
    0xAB, 0x55,                                // device ID, byte 4: 0x01
    0xAF, 0x57,                                // checksum, high byte 0x07
    0xEA, 0x7F,                                // checksum, low byte 0x6A
};

TEST(DecodeDiscoveryResponse, AValidAnswerFieldByField) {
  const DiscoveryResponse r = DecodeDiscoveryResponse(kAnswer, 0, kFullRangeUpper);
  EXPECT_EQ(r.result, kBranchValid);
  EXPECT_EQ(r.uid, kUid);
  // The same bytes as the responder side and this file's helper make.
  EXPECT_THAT(BranchAnswer(kUid), ElementsAreArray(kAnswer));
  EXPECT_THAT(sim::EncodeDiscoveryResponse(kUid), ElementsAreArray(kAnswer));
}

TEST(DecodeDiscoveryResponse, EveryEncodedByteOfTheGoldenAnswerCounts) {
  // The checksum is the sum of the twelve encoded UID bytes: 0x076A. A UID byte
  // or a checksum byte changed no longer checks.
  unsigned sum = 0;
  for (std::size_t i = 8; i < 20; ++i) sum += kAnswer[i];
  EXPECT_EQ(sum, 0x076Au);
  for (std::size_t i = 8; i < 24; ++i) {
    std::vector<std::uint8_t> wrong(std::begin(kAnswer), std::end(kAnswer));
    // The bits the half carries (the others are forced to one): 0x55 in the
    // half ORed with 0xAA, 0xAA in the other.
    wrong[i] ^= i % 2 == 0 ? 0x55 : 0xAA;
    EXPECT_EQ(DecodeDiscoveryResponse(wrong, 0, kFullRangeUpper).result, kBranchCollision) << i;
  }
  // Without its preamble the answer still decodes: the separator leads.
  const std::span<const std::uint8_t> bare = std::span(kAnswer).subspan(7);
  const DiscoveryResponse r = DecodeDiscoveryResponse(bare, 0, kFullRangeUpper);
  EXPECT_EQ(r.result, kBranchValid);
  EXPECT_EQ(r.uid, kUid);
}

TEST(DecodeDiscoveryResponse, FindsTheSeparatorOnlyInTheFirstFifteenBytes) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Uid lower, upper;
    int result;
  };
  auto withAaAt15 = std::vector<std::uint8_t>(15, 0xFE);
  for (std::uint8_t b : BranchAnswer(kUid, 0)) withAaAt15.push_back(b);
  auto noisy = BranchAnswer(kUid);
  noisy[0] = 0x00;
  const std::vector<Case> cases = {
      {"nothing arrived", std::vector<std::uint8_t>(100, 0xFF), 0, kFullRangeUpper, kBranchSilent},
      {"empty span reads as silence", {}, 0, kFullRangeUpper, kBranchSilent},
      {"seven 0xFE, 0xAA at 7", BranchAnswer(kUid), 0, kFullRangeUpper, kBranchValid},
      {"no preamble, 0xAA at 0", BranchAnswer(kUid, 0), 0, kFullRangeUpper, kBranchValid},
      {"0xAA at 14", BranchAnswer(kUid, 14), 0, kFullRangeUpper, kBranchValid},
      {"0xAA at 15 is a collision", withAaAt15, 0, kFullRangeUpper, kBranchCollision},
      {"noise before the separator", noisy, 0, kFullRangeUpper, kBranchValid},
      {"one byte at 15 that is not 0xFF",
       [] {
         std::vector<std::uint8_t> b(100, 0xFF);
         b[15] = 0x00;
         return b;
       }(),
       0, kFullRangeUpper, kBranchCollision},
      {"a byte at 16 is not looked at",
       [] {
         std::vector<std::uint8_t> b(100, 0xFF);
         b[16] = 0x00;
         return b;
       }(),
       0, kFullRangeUpper, kBranchSilent},
      {"checksum off by one", BranchAnswer(kUid, 7, 1), 0, kFullRangeUpper, kBranchCollision},
      {"below the branch", BranchAnswer(kUid), kUid + 1, kFullRangeUpper, kBranchCollision},
      {"above the branch", BranchAnswer(kUid), 0, kUid - 1, kBranchCollision},
      {"bounds are inclusive", BranchAnswer(kUid), kUid, kUid, kBranchValid},
      {"cut short after the separator", {0xFE, 0xAA, 0xFF}, 0, kFullRangeUpper, kBranchCollision},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DiscoveryResponse r = DecodeDiscoveryResponse(c.bytes, c.lower, c.upper);
    EXPECT_EQ(r.result, c.result);
    if (c.result == kBranchValid) {
      EXPECT_EQ(r.uid, kUid);
    }
  }
}

TEST(DecodeDiscoveryResponse, TwoAnswersAndedTogetherDoNotCheck) {
  // Two responders answering at once: the line shows the AND of both (dominant 0).
  auto a = BranchAnswer(0x4A4C'0000'0012ULL);
  const auto b = BranchAnswer(0x4A4C'0000'0021ULL);
  for (std::size_t i = 0; i < a.size(); ++i) a[i] &= b[i];
  EXPECT_EQ(DecodeDiscoveryResponse(a, 0, kFullRangeUpper).result, kBranchCollision);
}

TEST(DecodeDiscoveryResponse, ReadsNothingOutsideItsSpanWhateverItIsFed) {
  std::uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    std::vector<std::uint8_t> bytes(seed % 40);
    for (auto& b : bytes) {
      seed = seed * 1664525u + 1013904223u;
      b = (seed >> 24) % 3 == 0 ? 0xAA : static_cast<std::uint8_t>(seed >> 16);
    }
    // A heap copy of exactly that size, so the sanitizers see any overread.
    const auto r = DecodeDiscoveryResponse(std::span(bytes), 0, kFullRangeUpper);
    EXPECT_TRUE(r.result >= kBranchSilent && r.result <= kBranchValid);
  }
}

struct DiscoveryScriptTest : testing::DiscoveryFixture<ScriptedLine> {
  DiscoveryScriptTest() { transport.SetHandle(7); }
};

using testing::EmptyLineDiscoveryLog;
using testing::kSilentDump;

TEST_F(DiscoveryScriptTest, BranchGoesOutAsOneFrameAndStoresTheUidItDecodes) {
  line.replies.push_back(BranchAnswer(kUid));
  EXPECT_EQ(discovery.SendDiscUniqueBranch(0, 0, 0xFFFFFFFE, 0xFFFF), kBranchValid);
  EXPECT_EQ(table.slots[0], kUid);
  EXPECT_THAT(line.calls,
              ElementsAre("purge 1", "purge 2", "break on", "break off", "write 38", "read 100"));
  EXPECT_THAT(line.written.at(0),
              ElementsAreArray({0xCC, 0x01, 0x24, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x88,
                                0x88, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00,
                                0x10, 0x00, 0x01, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x0E, 0x14}));
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0],
            "Request__:24 FFFFFFFFFFFF 888800000001 01 01 00 0000 10 0001 0C "
            "00 00 00 00 00 00 FF FF FF FF FF FE 0E14");
  EXPECT_EQ(log[1].substr(0, 10), "Response_:");
  EXPECT_EQ(log[2], "valid Discovery Response received");
}

TEST_F(DiscoveryScriptTest, EmptyLineLogsUnMutesThenFiveSilentBranches) {
  discovery.Run(hooks);
  const std::vector<std::string> expected = EmptyLineDiscoveryLog();
  EXPECT_EQ(log, expected);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(table.count, 0);
  EXPECT_EQ(discovery.BranchRequests(), 5);
}

TEST_F(DiscoveryScriptTest, WhenEveryLineCallFailsTheDiscoveryEndsEmpty) {
  line.failRead = true;
  line.failWrite = true;
  table.count = 2;
  table.slots[1] = 0x4A4C'0000'0012ULL;
  table.slots[2] = 0x4A4C'0000'0013ULL;
  discovery.Run(hooks);

  const auto count = [this](const std::string& text) {
    return std::count(log.begin(), log.end(), text);
  };
  EXPECT_EQ(count("message cannot be sent"), 2 + 2);  // un-mutes and re-mutes
  EXPECT_EQ(count("no KORVAL widget found"), 2);
  EXPECT_EQ(count("Mute 0x4A4C00000012"), 2);  // the first entry, tried in both passes
  EXPECT_EQ(count("Discovery msg was not sent"), 5);
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& s) { return s.starts_with("Response_:"); }),
            0);
  EXPECT_EQ(table.count, 0);
  EXPECT_TRUE(list.empty());
}

// The search on simulated responders, in instant timing.
struct DiscoveryTest : testing::DiscoveryOnVirtualLine {
  DiscoveryTest() { list = {"stale line"}; }
  void Know(std::initializer_list<Uid> uids) {
    table.count = 0;
    for (Uid uid : uids) table.slots[++table.count] = uid;
  }
  std::vector<Uid> Devices() const {
    return {table.slots.begin() + 1, table.slots.begin() + 1 + table.count};
  }
  // Each silent full-range branch leaves its request and an all-0xFF dump.
  void ExpectFiveSilentFullRangeBranchesAtTheEnd() const {
    ASSERT_GE(log.size(), 10u);
    for (std::size_t i = log.size() - 10; i < log.size(); i += 2) {
      EXPECT_TRUE(log[i].starts_with("Request__:24 FFFFFFFFFFFF")) << log[i];
      EXPECT_TRUE(log[i].ends_with("0001 0C 00 00 00 00 00 00 FF FF FF FF FF FE " +
                                   log[i].substr(log[i].size() - 4)));
      EXPECT_EQ(log[i + 1], kSilentDump);
    }
  }
};

using sim::RandomUids;

TEST_F(DiscoveryTest, OneNewResponderIsMutedAndListed) {
  sim::Responder& r = Add(0x7FF0'0000'0001ULL);
  discovery.Run(hooks);
  EXPECT_THAT(list, ElementsAre("0 - ID:7FF000000001"));
  EXPECT_THAT(Devices(), ElementsAre(0x7FF0'0000'0001ULL));
  EXPECT_TRUE(r.Muted());
  EXPECT_EQ(Count("Discovery started."), 1);
  EXPECT_EQ(Count("Mute 0x7FF000000001"), 1);
  EXPECT_GE(Count("valid Discovery Response received"), 2);  // full range, then its branch
  ExpectFiveSilentFullRangeBranchesAtTheEnd();
}

TEST_F(DiscoveryTest, KnownDevicesThatAnswerAreListedInTableOrderWithoutSearching) {
  const Uid a = 0x0001'0000'0005ULL, b = 0x4A4C'0000'0012ULL, c = 0x0002'0000'0001ULL;
  for (Uid uid : {a, b, c}) Add(uid);
  Know({b, c, a});
  discovery.Run(hooks);
  EXPECT_THAT(list,
              ElementsAre("0 - ID:4A4C00000012", "1 - ID:000200000001", "2 - ID:000100000005"));
  EXPECT_THAT(Devices(), ElementsAre(b, c, a));
  EXPECT_EQ(discovery.BranchRequests(), 5);
  EXPECT_EQ(Count("Collision detected") + Count("valid Discovery Response received"), 0);
}

TEST_F(DiscoveryTest, AnAbsentKnownDeviceIsRetriedAndTheOnesBehindItAreSearchedFor) {
  const Uid present = 0x0001'0000'0001ULL, absent = 0x0002'0000'0002ULL,
            behind = 0x0003'0000'0003ULL, fresh = 0x0000'0000'0100ULL;
  for (Uid uid : {present, behind, fresh}) Add(uid);
  Know({present, absent, behind});
  discovery.Run(hooks);
  EXPECT_EQ(Count("Mute 0x200000002"), 2);  // the last two passes both try the absent entry
  EXPECT_THAT(list,
              ElementsAre("0 - ID:000100000001", "1 - ID:000300000003", "2 - ID:000000000100"));
  EXPECT_THAT(Devices(), ElementsAre(present, behind, fresh));
}

TEST_F(DiscoveryTest, CollidingNeighboursAreAllFound) {
  // UIDs that differ only in their lowest bits collide until the last levels.
  const std::vector<Uid> uids = {0x4A4C'0000'0010ULL, 0x4A4C'0000'0011ULL, 0x4A4C'0000'0012ULL,
                                 0x4A4C'0000'0013ULL, 0x0000'0000'0001ULL, 0x7FFF'FFFF'FFFFULL};
  for (Uid uid : uids) Add(uid);
  discovery.Run(hooks);
  EXPECT_GT(Count("Collision detected"), 0);
  // Overlapping answers can read as a valid answer from a muted neighbour; it
  // must not be listed twice while the others are never found.
  const std::vector<Uid> found = Devices();
  EXPECT_EQ(found.size(), uids.size());
  EXPECT_EQ(std::set<Uid>(found.begin(), found.end()), std::set<Uid>(uids.begin(), uids.end()));
  // The search closes in on the highest UID first.
  EXPECT_EQ(list.front(), "0 - ID:7FFFFFFFFFFF");
  EXPECT_FALSE(discovery.StoppedAtBound());
}

TEST_F(DiscoveryTest, ThirtyThreeRandomRespondersAreAllFound) {
  for (std::uint64_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    sim::VirtualLine rig(sim::Timing::kInstant);
    RdmTransport t(rig, nullptr);
    LineHandle handle = 0;
    rig.Open(0, &handle);
    t.SetHandle(handle);
    DeviceTable devices;
    Discovery d(t, devices);
    const auto uids = RandomUids(seed, 33);
    for (Uid uid : uids) {
      sim::ResponderConfig config;
      config.uid = uid;
      rig.AddResponder(config);
    }
    d.Run({});
    EXPECT_EQ(devices.count, 33);
    EXPECT_EQ(std::set<Uid>(devices.slots.begin() + 1, devices.slots.end()),
              std::set<Uid>(uids.begin(), uids.end()));
    EXPECT_FALSE(d.StoppedAtBound());
    EXPECT_LT(d.BranchRequests(), Discovery::kMaxBranchRequests / 2);
  }
}

TEST_F(DiscoveryTest, AThirtyFourthDeviceIsMutedButNotStored) {
  const auto uids = RandomUids(34, 34);
  for (Uid uid : uids) Add(uid);
  discovery.Run(hooks);
  EXPECT_EQ(table.count, 33);
  EXPECT_EQ(list.size(), 33u);
  EXPECT_EQ(list.back().substr(0, 8), "32 - ID:");
  EXPECT_EQ(Count("Device table full: 33 devices, further devices are not listed"), 1);
  for (Uid uid : uids) EXPECT_TRUE(line.FindResponder(uid)->Muted()) << UidText(uid);
  const std::set<Uid> stored(table.slots.begin() + 1, table.slots.end());
  EXPECT_EQ(stored.size(), 33u);
  EXPECT_FALSE(stored.contains(0));
  // The scratch slot is the only other one written.
  EXPECT_TRUE(std::find(uids.begin(), uids.end(), table.slots[0]) != uids.end());
  EXPECT_FALSE(discovery.StoppedAtBound());
  ExpectFiveSilentFullRangeBranchesAtTheEnd();
}

TEST_F(DiscoveryTest, ResponderThatCannotBeConfirmedNoLongerHoldsTheSearchToTheBound) {
  struct Case {
    const char* name;
    Uid uid;
    sim::ResponderFaults faults;
    const char* giveUp;  // empty: found
  };
  sim::ResponderFaults ignoresMute, badChecksum;
  ignoresMute.ignores_mute = true;
  badChecksum.bad_checksum = true;
  const std::vector<Case> cases = {
      {"UID 0000:00000000", 0, {}, ""},
      {"never acknowledges DISC_MUTE", 0x4A4C'0000'0001ULL, ignoresMute,
       "Discovery: 0x4A4C00000001 does not acknowledge mute: left out of this discovery"},
      {"replies never check", 0x4A4C'0000'0002ULL, badChecksum,
       "Discovery: 0x4A4C00000002 answers but cannot be confirmed: left out of this discovery"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (Uid uid : line.ResponderUids()) line.RemoveResponder(uid);
    Add(c.uid, c.faults);
    log.clear();
    table.count = 0;
    discovery.Run(hooks);
    EXPECT_FALSE(discovery.StoppedAtBound());
    EXPECT_LT(discovery.BranchRequests(), 400);
    EXPECT_EQ(table.count, *c.giveUp == 0 ? 1 : 0);
    if (*c.giveUp != 0) {
      EXPECT_EQ(Count(c.giveUp), 1);
    }
    EXPECT_EQ(log.back(), kSilentDump);
  }
}

}  // namespace
}  // namespace korval
