// The Art-Net controller and the node finder on a scripted network in
// simulated time: every fault ends in its documented result, in the simulated
// time the bounds give.
#include "artnet/artnet_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "artnet/art_poll.h"
#include "artnet/node_finder.h"
#include "artnet/tests/scripted_network.h"
#include "base/bytes.h"
#include "rdm/rdm_constants.h"
#include "rdm/rdm_message.h"
#include "sim/random_rig.h"

namespace korval::artnet {
namespace {

using testing::Bytes;
using testing::ScriptedNetwork;
using testing::ScriptedNode;
using namespace std::chrono_literals;

constexpr Uid kFixture = 0x4B52'0000'0101ULL;
constexpr std::uint32_t kOtherNode = 0x0A000006;  // 10.0.0.6

// A controller for Port-Address 0 of the scripted node, which has one fixture.
struct Bench {
  ScriptedNetwork network;
  ScriptedNode node;
  std::vector<std::string> log;
  std::unique_ptr<ArtNetController> controller;

  Bench() {
    sim::ResponderConfig fixture;
    fixture.uid = kFixture;
    fixture.label = "Spot 1";
    node.responders.emplace_back(fixture);
    node.Attach(network);
    controller = std::make_unique<ArtNetController>(
        ScriptedNode::kAddress, 0, network.Sender(),
        [this](const std::string& line) { log.push_back(line); }, network.Waiter());
    network.receiver = [this](std::span<const std::uint8_t> d, std::uint32_t from) {
      return controller->Receive(d, from);
    };
  }
  std::size_t Logged(const std::string& part) const {
    return std::count_if(log.begin(), log.end(),
                         [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
};

// The RDM message of an ArtRdm changed, its checksum made right again: a reply
// that checks but answers something else.
std::function<void(Bytes&, std::uint32_t&)> Resealed(std::size_t frameOffset, std::uint8_t value) {
  return [frameOffset, value](Bytes& d, std::uint32_t&) {
    const std::size_t rdmAt = kArtRdmHeaderBytes - 1;  // the frame's offsets, start code left out
    d[rdmAt + frameOffset] = value;
    const std::size_t length = d[rdmAt + rdm::kOffsetMessageLength];
    const auto summed = std::span<const std::uint8_t>(d).subspan(kArtRdmHeaderBytes, length - 1);
    WriteBe16(d, rdmAt + length, static_cast<std::uint16_t>(rdm::kStartCode + RdmChecksum(summed)));
  };
}

TEST(ArtNetController, EachExchangeEndsAsDocumentedInBoundedTime) {
  const RdmRequest getLabel{
      .destination = kFixture, .commandClass = rdm::kGetCommand, .pid = rdm::kPidDeviceLabel};
  RdmRequest identifyAll{.destination = kBroadcastUid,
                         .commandClass = rdm::kSetCommand,
                         .pid = rdm::kPidIdentifyDevice};
  identifyAll.data = {0x01};
  RdmRequest identifyMaker = identifyAll;
  identifyMaker.destination = ManufacturerBroadcast(kFixture);
  RdmRequest addressAllSubDevices{.destination = kFixture,
                                  .commandClass = rdm::kSetCommand,
                                  .pid = rdm::kPidDmxStartAddress,
                                  .subDevice = 0xFFFF};
  addressAllSubDevices.data = {0x00, 0x2A};
  const RdmRequest getQueued{
      .destination = kFixture, .commandClass = rdm::kGetCommand, .pid = rdm::kPidQueuedMessage};
  const auto lost = [](int n) { return [n](ScriptedNode& node) { node.repliesLost = n; }; };
  const auto tampered = [](const std::function<void(Bytes&, std::uint32_t&)>& t) {
    return [t](ScriptedNode& node) { node.tamper = t; };
  };
  struct Case {
    const char* name;
    std::function<void(ScriptedNode&)> setup;
    RdmRequest request;
    ReplyStatus status;
    std::size_t sent;  // ArtRdm datagrams that went out
    Clock::Duration took;
  };
  const Case cases[] = {
      {"answered", [](ScriptedNode&) {}, getLabel, ReplyStatus::kAck, 1, 5ms},
      {"answered before the send returned", [](ScriptedNode& n) { n.latency = 0ms; }, getLabel,
       ReplyStatus::kAck, 1, 0ms},
      {"a node that never answers", [](ScriptedNode& n) { n.silent = true; }, getLabel,
       ReplyStatus::kNoReply, 3, 3s},
      {"first reply lost", lost(1), getLabel, ReplyStatus::kAck, 2, 1s + 5ms},
      {"two replies lost", lost(2), getLabel, ReplyStatus::kAck, 3, 2s + 5ms},
      {"slower than the timeout: the first try's reply answers the same request",
       [](ScriptedNode& n) { n.latency = 1500ms; }, getLabel, ReplyStatus::kAck, 2, 1500ms},
      {"replies from another IP", tampered([](Bytes&, std::uint32_t& from) { from = kOtherNode; }),
       getLabel, ReplyStatus::kNoReply, 3, 3s},
      {"replies for another Port-Address", tampered([](Bytes& d, std::uint32_t&) { d[23] = 1; }),
       getLabel, ReplyStatus::kNoReply, 3, 3s},
      {"bad checksum", tampered([](Bytes& d, std::uint32_t&) { d.back() ^= 1; }), getLabel,
       ReplyStatus::kNoReply, 3, 3s},
      {"cut short", tampered([](Bytes& d, std::uint32_t&) { d.pop_back(); }), getLabel,
       ReplyStatus::kNoReply, 3, 3s},
      {"to another controller", tampered(Resealed(rdm::kOffsetDestination + 5, 0x02)), getLabel,
       ReplyStatus::kNoReply, 3, 3s},
      {"from another responder", tampered(Resealed(rdm::kOffsetSource + 5, 0x02)), getLabel,
       ReplyStatus::kNoReply, 3, 3s},
      {"another transaction", tampered(Resealed(rdm::kOffsetTransaction, 0x77)), getLabel,
       ReplyStatus::kNoReply, 3, 3s},
      {"another command class",
       tampered(Resealed(rdm::kOffsetCommandClass, rdm::kSetCommandResponse)), getLabel,
       ReplyStatus::kNoReply, 3, 3s},
      {"another PID", tampered(Resealed(rdm::kOffsetPid + 1, 0x81)), getLabel,
       ReplyStatus::kNoReply, 3, 3s},
      // (The simulated fixture refuses it; any PID answers QUEUED_MESSAGE.)
      {"QUEUED_MESSAGE answered with the PID of the message queued",
       tampered(Resealed(rdm::kOffsetPid + 1, 0xF0)), getQueued, ReplyStatus::kNack, 1, 5ms},
      {"a broadcast is not waited for", [](ScriptedNode&) {}, identifyAll, ReplyStatus::kNoReply, 1,
       0s},
      {"nor is a vendorcast", [](ScriptedNode&) {}, identifyMaker, ReplyStatus::kNoReply, 1, 0s},
      // The simulated fixture has no sub-devices and says so.
      {"SET to all sub-devices", [](ScriptedNode&) {}, addressAllSubDevices, ReplyStatus::kNack, 1,
       5ms},
  };
  for (const Case& c : cases) {
    Bench bench;
    c.setup(bench.node);
    const RdmReply reply = bench.controller->Send(c.request);
    EXPECT_EQ(reply.status, c.status) << c.name;
    EXPECT_EQ(bench.network.Count(kOpRdm), c.sent) << c.name;
    EXPECT_EQ(bench.network.clock.Now(), c.took) << c.name;
    EXPECT_EQ(bench.Logged("Request__:"), c.sent) << c.name;
    // The request went out as asked, from our UID, to the node, every try with
    // the same transaction number.
    for (const auto& taken : bench.node.requests) {
      EXPECT_EQ(taken.source, kControllerUid) << c.name;
      EXPECT_EQ(taken.destination, c.request.destination) << c.name;
      EXPECT_EQ(taken.subDevice, c.request.subDevice) << c.name;
      EXPECT_EQ(taken.transaction, bench.node.requests.front().transaction) << c.name;
    }
    for (const auto& s : bench.network.sent) EXPECT_EQ(s.to, ScriptedNode::kAddress) << c.name;
    if (reply.Answered()) {
      EXPECT_EQ(reply.source, kFixture) << c.name;
      EXPECT_EQ(bench.log.back().rfind("Response_:", 0), 0u) << c.name;
    } else if (!IsBroadcastUid(c.request.destination)) {
      EXPECT_EQ(bench.log.back(),
                "no response from Art-Net node 10.0.0.5, Port-Address 0:0:0 after 3 tries in 3 s")
          << c.name;
    }
  }
  Bench bench;
  const RdmReply label = bench.controller->Send(getLabel);
  EXPECT_EQ(std::string(label.data.begin(), label.data.end()), "Spot 1");
  bench.controller->Send(identifyAll);
  EXPECT_TRUE(bench.node.responders[0].Identify()) << "the broadcast reached the fixture";
}

TEST(ArtNetController, LateAndDuplicatedRepliesNeverAnswerALaterRequest) {
  Bench bench;
  ScriptedNode& node = bench.node;
  const RdmRequest getAddress{
      .destination = kFixture, .commandClass = rdm::kGetCommand, .pid = rdm::kPidDmxStartAddress};
  RdmRequest setAddress{
      .destination = kFixture, .commandClass = rdm::kSetCommand, .pid = rdm::kPidDmxStartAddress};
  setAddress.data = {0x00, 0x2A};

  // Three tries, each answered too late: the first of those late answers (old
  // address) comes while the next GET of the same PID waits for its own.
  node.latency = 3200ms;
  EXPECT_EQ(bench.controller->Send(getAddress).status, ReplyStatus::kNoReply);
  node.latency = 5ms;
  node.duplicates = true;
  EXPECT_TRUE(bench.controller->Send(setAddress).IsAck());
  node.latency = 500ms;
  const RdmReply now = bench.controller->Send(getAddress);
  ASSERT_TRUE(now.IsAck());
  EXPECT_EQ(ReadBe16(now.data, 0), 42) << "the reply of the earlier GET answered the later one";
  // The SET's duplicate and the earlier GET's late reply were passed over.
  EXPECT_GE(bench.controller->RepliesPassedOver(), 2u);
}

TEST(ArtNetController, EachDiscoveryEndsAsDocumentedInBoundedTime) {
  const auto rig = sim::SequentialUids(0x4B52'0000'0001ULL, 1000);
  const std::vector<Uid> three(rig.begin(), rig.begin() + 3);
  const auto table = [](const std::vector<Uid>& uids) {
    return [uids](ScriptedNode& n, ScriptedNetwork&) { n.table = uids; };
  };
  struct Case {
    const char* name;
    DiscoveryMode mode;
    std::function<void(ScriptedNode&, ScriptedNetwork&)> setup;
    std::size_t found;     // devices handed to hooks.found
    std::size_t requests;  // ArtTodRequest sent
    std::size_t flushes;   // ArtTodControl sent
    Clock::Duration took;
    const char* logged;
    std::vector<Uid> known{};    // listed before
    Clock::Duration stopAt{0s};  // when the operator asks to stop (0: never)
  };
  const Case cases[] = {
      {"three devices in one packet", DiscoveryMode::kIncremental, table(three), 3, 1, 0, 5ms,
       "Art-Net node 10.0.0.5, Port-Address 0:0:0: table of 3 devices (3 new, 0 no longer listed)"},
      {"the table before the request's send returned", DiscoveryMode::kIncremental,
       [&three](ScriptedNode& n, ScriptedNetwork&) {
         n.table = three;
         n.latency = 0ms;
       },
       3, 1, 0, 0s, "table of 3 devices"},
      {"the devices listed keep their places",
       DiscoveryMode::kIncremental,
       table(three),
       3,
       1,
       0,
       5ms,
       "table of 3 devices (2 new, 1 no longer listed)",
       {rig[1], rig[500]}},
      {"1000 devices in five packets in any order, one lost: asked again",
       DiscoveryMode::kIncremental,
       [&rig](ScriptedNode& n, ScriptedNetwork&) {
         n.table = rig;
         n.blocksShuffled = true;
         n.blocksLost = [](int answer) { return answer == 1 ? std::set<int>{2} : std::set<int>{}; };
       },
       1000, 2, 0, 2s + 5ms, "967 devices left out of the list, which holds 33"},
      {"a block that never comes", DiscoveryMode::kIncremental,
       [&rig](ScriptedNode& n, ScriptedNetwork&) {
         n.table = rig;
         n.blocksLost = [](int) { return std::set<int>{2}; };
       },
       800, 3, 0, 6s, "the table stayed incomplete, 800 of 1000 devices came"},
      {"a node that never answers", DiscoveryMode::kIncremental,
       [](ScriptedNode& n, ScriptedNetwork&) { n.silent = true; }, 0, 3, 0, 6s,
       "no table of devices came"},
      {"tables that do not add up", DiscoveryMode::kIncremental,
       [](ScriptedNode& n, ScriptedNetwork&) {
         n.tamper = [](Bytes& d, std::uint32_t&) { ++d[rdmfield::kUidCount]; };
       },
       0, 3, 0, 6s, "no table of devices came"},
      {"tables from another IP", DiscoveryMode::kIncremental,
       [](ScriptedNode& n, ScriptedNetwork&) {
         n.tamper = [](Bytes&, std::uint32_t& from) { from = kOtherNode; };
       },
       0, 3, 0, 6s, "no table of devices came"},
      {"full: the new table after the node's discovery", DiscoveryMode::kFull, table(three), 3, 0,
       1, 3s, "table of 3 devices"},
      {"full: the emptied table first", DiscoveryMode::kFull,
       [&three](ScriptedNode& n, ScriptedNetwork&) {
         n.table = three;
         n.emptyTableOnFlush = true;
       },
       3, 0, 1, 3s, "table of 3 devices"},
      {"full: the table so far, then the new one", DiscoveryMode::kFull,
       [&three](ScriptedNode& n, ScriptedNetwork& network) {
         n.table = three;
         n.SendTable(network, 1s, {three[0]});
         n.discoveryTime = 1500ms;
       },
       3, 0, 1, 2500ms, "table of 3 devices"},
      {"full: a port without devices", DiscoveryMode::kFull,
       [](ScriptedNode& n, ScriptedNetwork&) { n.responders.clear(); }, 0, 0, 1, 5s,
       "table of 0 devices"},
      {"full: a node that never answers", DiscoveryMode::kFull,
       [](ScriptedNode& n, ScriptedNetwork&) { n.silent = true; }, 0, 2, 1, 9s,
       "no table of devices came"},
      {"stopped by the operator",
       DiscoveryMode::kIncremental,
       [](ScriptedNode& n, ScriptedNetwork&) { n.silent = true; },
       0,
       1,
       0,
       500ms,
       "Discovery stopped by the operator.",
       {},
       500ms},
  };
  for (const Case& c : cases) {
    Bench bench;
    c.setup(bench.node, bench.network);
    DeviceTable devices;
    for (const Uid uid : c.known) PlaceUid(devices, devices.count++, uid);
    std::vector<Uid> found;
    std::vector<std::string> lines, unanswered;
    DiscoveryHooks hooks{
        .clearList = [&lines] { lines.clear(); },
        .addListLine = [&lines](const std::string& l) { lines.push_back(l); },
        .found = [&found](Uid uid) { found.push_back(uid); },
        .unanswered = [&unanswered](const std::string& l) { unanswered.push_back(l); }};
    if (c.stopAt > 0s) {
      hooks.stopRequested = [&bench, &c] { return bench.network.clock.Now() >= c.stopAt; };
    }
    bench.controller->Discover(c.mode, devices, hooks);
    EXPECT_EQ(found.size(), c.found) << c.name;
    EXPECT_EQ(bench.network.Count(kOpTodRequest), c.requests) << c.name;
    EXPECT_EQ(bench.network.Count(kOpTodControl), c.flushes) << c.name;
    EXPECT_EQ(bench.network.clock.Now(), c.took) << c.name;
    EXPECT_EQ(bench.Logged(c.logged), 1u) << c.name;
    // Only a table that never came is no answer; an empty one is.
    EXPECT_EQ(unanswered.size(), std::string_view(c.logged) == "no table of devices came")
        << c.name;
    const std::size_t listed = std::min<std::size_t>(c.found, DeviceTable::kCapacity);
    ASSERT_EQ(devices.count, listed) << c.name;
    ASSERT_EQ(lines.size(), listed) << c.name;
    for (std::size_t k = 0; k < listed; ++k) {
      EXPECT_EQ(devices.slots[k + 1], found[k]) << c.name;
      EXPECT_EQ(lines[k], std::to_string(k) + " - ID:" + UidText12(found[k])) << c.name;
    }
    EXPECT_EQ(bench.controller->LastTable(), found) << c.name;
    if (!c.known.empty()) {
      EXPECT_EQ(found.front(), c.known.front()) << c.name;  // kept its place
    }
  }
}

TEST(NodeFinder, CollectsEveryReplyOfThePollWindowOneNodePerAddress) {
  ScriptedNetwork network;
  NodeFinder finder(network.Sender(), network.Waiter());
  network.receiver = [&finder](std::span<const std::uint8_t> d, std::uint32_t from) {
    return finder.Receive(d, from);
  };
  const auto pollReply = [](std::uint16_t portAddress, std::uint8_t page, const char* name) {
    NodeDescription node;
    node.portAddress = portAddress;
    node.shortName = name;
    auto bytes = BuildArtPollReply(node);
    bytes[reply::kBindIndex] = page;
    return Bytes(bytes.begin(), bytes.end());
  };
  std::vector<std::uint32_t> polledAt;
  network.node = [&](std::uint32_t to, const Bytes& datagram) {
    if (!IsArtPoll(datagram)) return;
    polledAt.push_back(to);
    network.Deliver(900ms, 0x0A000009, pollReply(0x0005, 2, "page two"));
    network.Deliver(100ms, 0x0A000005, pollReply(0x0000, 1, "KORVAL"));
    network.Deliver(200ms, 0x0A000009, pollReply(0x0001, 1, "eight ports"));
    network.Deliver(950ms, 0x0A000009, pollReply(0x0001, 1, "eight ports"));  // heard twice
    network.Deliver(300ms, 0x0A000007, datagram);  // another controller's poll
    network.Deliver(3500ms, 0x0A00000A, pollReply(0x0000, 1, "too late"));
  };
  const std::uint32_t broadcast[] = {0x0A0000FF};
  const auto nodes = finder.Poll(broadcast);
  EXPECT_EQ(polledAt, std::vector<std::uint32_t>{0x0A0000FF});
  EXPECT_EQ(network.clock.Now(), NodeFinder::kPollWindow);
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0].address, 0x0A000005u);
  EXPECT_EQ(nodes[0].shortName, "KORVAL");
  ASSERT_EQ(nodes[0].ports.size(), 1u);
  EXPECT_TRUE(nodes[0].ports[0].rdm);
  EXPECT_EQ(nodes[1].address, 0x0A000009u);
  EXPECT_EQ(nodes[1].shortName, "eight ports") << "the names of the root page";
  ASSERT_EQ(nodes[1].ports.size(), 2u);
  EXPECT_EQ(nodes[1].ports[0].portAddress, 0x0001);
  EXPECT_EQ(nodes[1].ports[1].portAddress, 0x0005);
  EXPECT_EQ(nodes[1].ports[1].bindIndex, 2);
  // Between polls nothing is kept.
  EXPECT_TRUE(finder.Receive(pollReply(0x0000, 1, "idle"), 0x0A00000B));
  network.node = nullptr;
  EXPECT_TRUE(finder.Poll(broadcast, 10ms).empty());
}

}  // namespace
}  // namespace korval::artnet
