// Discovery on rigs with misbehaving fixtures, in instant timing: a fault
// costs only its own fixture, and the operator can stop a running search.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "rdm/discovery.h"
#include "rdm/tests/discovery_fixture.h"
#include "rdm/tests/discovery_log.h"
#include "rdm/tests/scripted_line.h"
#include "sim/random_rig.h"
#include "sim/virtual_line.h"

namespace korval {
namespace {

using testing::kSilentDump;

struct RigTest : testing::DiscoveryOnVirtualLine {
  long CountStarting(const std::string& text) const {
    return std::count_if(log.begin(), log.end(),
                         [&](const std::string& s) { return s.starts_with(text); });
  }
  std::multiset<Uid> Found() const {
    return {table.slots.begin() + 1, table.slots.begin() + 1 + table.count};
  }
  // The silent round that ends a discovery: one request and one all-0xFF dump
  // for each search segment.
  void ExpectNormalEnd(std::size_t segments) const {
    EXPECT_FALSE(discovery.StoppedAtBound());
    EXPECT_FALSE(discovery.StoppedByOperator());
    ASSERT_GE(log.size(), 2 * segments);
    for (std::size_t i = log.size() - 2 * segments; i < log.size(); i += 2) {
      EXPECT_TRUE(log[i].starts_with("Request__:24 FFFFFFFFFFFF")) << log[i];
      EXPECT_EQ(log[i + 1], kSilentDump);
    }
  }
};

// Nine honest fixtures: 4B52:01000001, 4B52:02000002, ... 4B52:09000009.
std::vector<Uid> NineHonest() {
  std::vector<Uid> uids;
  for (Uid k = 1; k <= 9; ++k) uids.push_back(0x4B52'0000'0000ULL + k * 0x0100'0001ULL);
  return uids;
}

constexpr Uid kTop = 0x4B52'7000'0101ULL;
constexpr Uid kMiddle = 0x4B52'0480'0101ULL;
constexpr Uid kBottom = 0x4B52'0000'0101ULL;

struct Fault {
  const char* name;
  sim::ResponderFaults faults;
  const char* why;  // the give-up line after the UID
};

std::vector<Fault> Faults() {
  sim::ResponderFaults ignoresMute, badChecksum, noise;
  ignoresMute.ignores_mute = true;
  badChecksum.bad_checksum = true;
  noise.noise_before_reply = 10;  // the separator comes too late to be found
  return {{"never acknowledges mute", ignoresMute, " does not acknowledge mute"},
          {"bad checksum", badChecksum, " answers but cannot be confirmed"},
          {"noise before its reply", noise, " answers but cannot be confirmed"}};
}

std::string GiveUpLine(Uid uid, const char* why) {
  return "Discovery: 0x" + UidText(uid) + why + ": left out of this discovery";
}

TEST_F(RigTest, AFaultyFixtureAnywhereIsLeftOutAndEveryOtherOneIsFound) {
  const auto honest = NineHonest();
  for (const Fault& fault : Faults()) {
    for (Uid faulty : {kTop, kMiddle, kBottom}) {
      SCOPED_TRACE(std::string(fault.name) + " at 0x" + UidText(faulty));
      for (Uid uid : line.ResponderUids()) line.RemoveResponder(uid);
      for (Uid uid : honest) Add(uid);
      Add(faulty, fault.faults);
      log.clear();
      table.count = 0;
      discovery.Run(hooks);
      EXPECT_EQ(Found(), std::multiset<Uid>(honest.begin(), honest.end()));
      EXPECT_EQ(list.size(), 9u);
      EXPECT_EQ(Count(GiveUpLine(faulty, fault.why)), 1);
      EXPECT_EQ(CountStarting("Discovery: 0x"), 1);
      EXPECT_THAT(discovery.GivenUp(), ::testing::ElementsAre(faulty));
      ExpectNormalEnd(2);
      EXPECT_LT(discovery.BranchRequests(), 1500);
    }
  }
}

TEST_F(RigTest, TwoFaultyFixturesAreBothLeftOut) {
  const auto honest = NineHonest();
  const auto faults = Faults();
  struct Case {
    Uid a;
    const Fault& faultA;
    Uid b;
    const Fault& faultB;
  };
  const std::vector<Case> cases = {{kTop, faults[0], kMiddle, faults[1]},
                                   {kBottom, faults[1], kTop, faults[2]},
                                   {kMiddle, faults[0], kBottom, faults[0]}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.faultA.name) + " and " + c.faultB.name);
    for (Uid uid : line.ResponderUids()) line.RemoveResponder(uid);
    for (Uid uid : honest) Add(uid);
    Add(c.a, c.faultA.faults);
    Add(c.b, c.faultB.faults);
    log.clear();
    table.count = 0;
    discovery.Run(hooks);
    EXPECT_EQ(Found(), std::multiset<Uid>(honest.begin(), honest.end()));
    EXPECT_EQ(Count(GiveUpLine(c.a, c.faultA.why)), 1);
    EXPECT_EQ(Count(GiveUpLine(c.b, c.faultB.why)), 1);
    EXPECT_EQ(CountStarting("Discovery: 0x"), 2);
    ExpectNormalEnd(3);
  }
}

TEST_F(RigTest, UidZeroIsFoundWhenHonestAndLeftOutWhenItNeverMutes) {
  const auto honest = NineHonest();
  sim::ResponderFaults ignoresMute;
  ignoresMute.ignores_mute = true;
  for (bool faulty : {false, true}) {
    SCOPED_TRACE(faulty ? "ignores mute" : "honest");
    for (Uid uid : line.ResponderUids()) line.RemoveResponder(uid);
    for (Uid uid : honest) Add(uid);
    Add(0, faulty ? ignoresMute : sim::ResponderFaults{});
    log.clear();
    table.count = 0;
    discovery.Run(hooks);
    std::multiset<Uid> expected(honest.begin(), honest.end());
    if (!faulty) expected.insert(0);
    EXPECT_EQ(Found(), expected);
    EXPECT_GT(Count("Mute 0x000000"), 0);
    EXPECT_EQ(Count(GiveUpLine(0, " does not acknowledge mute")), faulty ? 1 : 0);
    ExpectNormalEnd(1);
  }
}

TEST_F(RigTest, SixNoiseBytesHideTheMuteAcknowledgementAndTheFixtureIsMissing) {
  // The branch answer still decodes (its separator is at index 13), the mute
  // takes effect, but its acknowledgement starts too late to be read: the
  // fixture is silent from then on and never listed.
  const auto honest = NineHonest();
  for (Uid uid : honest) Add(uid);
  sim::ResponderFaults noise;
  noise.noise_before_reply = 6;
  Add(kMiddle, noise);
  discovery.Run(hooks);
  EXPECT_EQ(Found(), std::multiset<Uid>(honest.begin(), honest.end()));
  EXPECT_TRUE(line.FindResponder(kMiddle)->Muted());
  EXPECT_EQ(CountStarting("Discovery: 0x"), 0);
  ExpectNormalEnd(1);
}

TEST_F(RigTest, AFixtureThatLosesItsMuteIsMutedAgainAndListedOnce) {
  // The high one is found first; it forgets its mute at its request number n,
  // as a fixture does when it is power-cycled during the search.
  const Uid high = 0x7FF0'0000'0001ULL, low = 0x1234'0000'0005ULL;
  int forgotten = 0;
  for (int n = 1; n <= 30; ++n) {
    SCOPED_TRACE(n);
    for (Uid uid : line.ResponderUids()) line.RemoveResponder(uid);
    sim::ResponderFaults forgets;
    forgets.unmute_after_requests = n;
    Add(high, forgets);
    Add(low);
    log.clear();
    table.count = 0;
    discovery.Run(hooks);
    EXPECT_EQ(Found(), (std::multiset<Uid>{high, low}));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_TRUE(discovery.GivenUp().empty());
    EXPECT_TRUE(line.FindResponder(high)->Muted());
    EXPECT_LT(discovery.BranchRequests(), 300);
    ExpectNormalEnd(1);
    if (Count("Mute 0x7FF000000001") == 2) ++forgotten;
  }
  // In most of these runs it answered again after it had been listed (the
  // whole discovery takes it about 28 requests).
  EXPECT_GE(forgotten, 15);
}

// A fixture that acknowledges every mute and answers every branch all the
// same: before each request the line takes its mute away again.
class NeverStaysMutedLine final : public DmxLine {
 public:
  NeverStaysMutedLine(sim::VirtualLine& line, Uid uid) : line_(line), uid_(uid) {}
  LineStatus Open(int i, LineHandle* h) override { return line_.Open(i, h); }
  LineStatus Close(LineHandle h) override { return line_.Close(h); }
  LineStatus Read(LineHandle h, std::span<std::uint8_t> b, std::uint32_t* n) override {
    return line_.Read(h, b, n);
  }
  LineStatus Write(LineHandle h, std::span<const std::uint8_t> b, std::uint32_t* n) override {
    line_.FindResponder(uid_)->SetMuted(false);
    return line_.Write(h, b, n);
  }
  LineStatus ResetDevice(LineHandle h) override { return line_.ResetDevice(h); }
  LineStatus SetBaudRate(LineHandle h, std::uint32_t b) override { return line_.SetBaudRate(h, b); }
  LineStatus SetDataCharacteristics(LineHandle h, std::uint8_t w, std::uint8_t s,
                                    std::uint8_t p) override {
    return line_.SetDataCharacteristics(h, w, s, p);
  }
  LineStatus SetFlowControl(LineHandle h, std::uint16_t f, std::uint8_t a,
                            std::uint8_t b) override {
    return line_.SetFlowControl(h, f, a, b);
  }
  LineStatus Purge(LineHandle h, std::uint32_t m) override { return line_.Purge(h, m); }
  LineStatus SetTimeouts(LineHandle h, std::uint32_t r, std::uint32_t w) override {
    return line_.SetTimeouts(h, r, w);
  }
  LineStatus SetBreakOn(LineHandle h) override { return line_.SetBreakOn(h); }
  LineStatus SetBreakOff(LineHandle h) override { return line_.SetBreakOff(h); }
  Clock& GetClock() override { return line_.GetClock(); }

 private:
  sim::VirtualLine& line_;
  Uid uid_;
};

TEST_F(RigTest, AListedFixtureThatKeepsAnsweringIsSearchedForNoLonger) {
  const auto honest = NineHonest();
  for (Uid uid : honest) Add(uid);
  Add(kMiddle);
  NeverStaysMutedLine wrapped(line, kMiddle);
  RdmTransport t(wrapped, [this](const std::string& s) { log.push_back(s); });
  t.SetHandle(transport.Handle());
  Discovery d(t, table);
  d.Run(hooks);
  std::multiset<Uid> expected(honest.begin(), honest.end());
  expected.insert(kMiddle);
  EXPECT_EQ(Found(), expected);  // listed once, when it was first muted
  EXPECT_EQ(Count("Discovery: 0x4B5204800101 still answers after acknowledging mute: "
                  "no longer searched for"),
            1);
  EXPECT_EQ(CountStarting("Discovery: 0x"), 1);
  EXPECT_FALSE(d.StoppedAtBound());
  EXPECT_LT(d.BranchRequests(), 1500);
  EXPECT_EQ(log.back(), kSilentDump);
}

TEST_F(RigTest, HonestRigsNeverNeedABranchOverOneUid) {
  std::mt19937_64 random(7);
  const std::vector<std::pair<const char*, std::vector<Uid>>> rigs = {
      {"serial numbers in a row", sim::SequentialUids(0x4B52'0000'0001ULL, 33)},
      {"one manufacturer", sim::OneManufacturerUids(random, 0x4B52, 33)},
      {"one bit apart", sim::OneBitApartUids(random, 33)},
      {"random", sim::RandomUids(random, 33)}};
  for (const auto& [name, uids] : rigs) {
    SCOPED_TRACE(name);
    for (Uid uid : line.ResponderUids()) line.RemoveResponder(uid);
    for (Uid uid : uids) Add(uid);
    table.count = 0;
    discovery.Run(hooks);
    EXPECT_EQ(Found(), std::multiset<Uid>(uids.begin(), uids.end()));
    EXPECT_EQ(discovery.SingleUidProbes(), 0);
    EXPECT_TRUE(discovery.GivenUp().empty());
    ExpectNormalEnd(1);
  }
  // The worst of them, measured: it has to stay well below the bound.
  EXPECT_LE(2 * 5142, Discovery::kMaxBranchRequests);
}

TEST_F(RigTest, SerialNumbersInARowTakeTheSameRequestsAsEver) {
  for (Uid uid : sim::SequentialUids(0x4B52'0000'0001ULL, 33)) Add(uid);
  discovery.Run(hooks);
  EXPECT_EQ(table.count, 33);
  EXPECT_EQ(discovery.BranchRequests(), 5142);
}

TEST_F(RigTest, TheOperatorStopsTheSearchBeforeAnyBranch) {
  for (Uid uid : NineHonest()) Add(uid);
  for (int n : {0, 1, 37, 200}) {
    SCOPED_TRACE(n);
    for (Uid uid : line.ResponderUids()) line.FindResponder(uid)->SetMuted(false);
    table.count = 0;
    log.clear();
    int polls = 0;
    hooks.stopRequested = [&] { return polls++ >= n; };
    discovery.Run(hooks);
    EXPECT_TRUE(discovery.StoppedByOperator());
    EXPECT_EQ(discovery.BranchRequests(), n);
    EXPECT_EQ(polls, n + 1);
    EXPECT_EQ(Count("Discovery stopped by the operator."), 1);
    EXPECT_EQ(log.back(), "Discovery stopped by the operator.");
    EXPECT_EQ(static_cast<int>(list.size()), table.count);
    EXPECT_LT(table.count, 9);
  }
  // Never asked to stop: polled once before every branch, and the search ends.
  int polls = 0;
  hooks.stopRequested = [&] {
    ++polls;
    return false;
  };
  for (Uid uid : line.ResponderUids()) line.FindResponder(uid)->SetMuted(false);
  table.count = 0;
  discovery.Run(hooks);
  EXPECT_EQ(polls, discovery.BranchRequests());
  EXPECT_EQ(table.count, 9);
  EXPECT_FALSE(discovery.StoppedByOperator());
}

TEST(DiscoveryBound, ALineThatGarblesEveryAnswerStopsAtTheBound) {
  testing::ScriptedLine line;
  for (int i = 0; i < Discovery::kMaxBranchRequests + 10; ++i) line.replies.push_back({0x00});
  std::vector<std::string> log;
  RdmTransport transport{line, [&](const std::string& s) { log.push_back(s); }};
  transport.SetHandle(7);
  DeviceTable table;
  Discovery discovery{transport, table};
  discovery.Run({});
  EXPECT_TRUE(discovery.StoppedAtBound());
  EXPECT_EQ(discovery.BranchRequests(), Discovery::kMaxBranchRequests);
  EXPECT_EQ(log.back(), "Discovery stopped after " + std::to_string(Discovery::kMaxBranchRequests) +
                            " branch requests: a responder answers but cannot be confirmed");
  EXPECT_EQ(std::count(log.begin(), log.end(), log.back()), 1);
  EXPECT_EQ(table.count, 0);
}

}  // namespace
}  // namespace korval
