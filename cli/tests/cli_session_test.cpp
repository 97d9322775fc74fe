// The command runner on a scripted line: what E1.20's ACK_TIMER asks of a
// controller, and how each kind of failure is reported.
#include "cli/cli_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "params/follow_up.h"
#include "rdm/line_controller.h"
#include "rdm/rdm_constants.h"
#include "rdm/tests/reply_frame.h"
#include "rdm/tests/scripted_line.h"
#include "sim/virtual_line.h"

namespace korval::cli {
namespace {

using testing::ScriptedLine;

constexpr Uid kFixture = 0x4B52'00000007ULL;

std::vector<std::uint8_t> Reply(std::uint8_t responseType, std::uint16_t pid,
                                const std::vector<std::uint8_t>& data) {
  return testing::ReplyFrame(kFixture, pid, responseType, data);
}

const std::vector<std::uint8_t> kSpot = {'S', 'p', 'o', 't'};

struct SessionTest : ::testing::Test {
  ScriptedLine line;
  RdmTransport transport{line, [](const std::string&) {}};
  LineController controller{transport, "the line"};
  std::ostringstream out, err;
  Session session{controller, out, err, false};

  SessionTest() { transport.SetHandle(7); }

  // The PIDs of the RDM frames written, in order.
  std::vector<std::uint16_t> PidsSent() const {
    std::vector<std::uint16_t> pids;
    for (const auto& frame : line.written) {
      if (frame.size() > rdm::kOffsetPdl && frame[0] == rdm::kStartCode) {
        pids.push_back(
            static_cast<std::uint16_t>(frame[rdm::kOffsetPid] << 8 | frame[rdm::kOffsetPid + 1]));
      }
    }
    return pids;
  }
  Invocation GetLabel() const {
    Invocation inv;
    inv.command = Command::kGet;
    inv.uid = kFixture;
    inv.pid = rdm::kPidDeviceLabel;
    return inv;
  }
};

TEST_F(SessionTest, AckTimerIsFollowedByQueuedMessageAfterTheDelay) {
  line.replies.push_back(Reply(rdm::kResponseAckTimer, rdm::kPidDeviceLabel, {0x00, 0x0F}));
  line.replies.push_back(Reply(rdm::kResponseAck, rdm::kPidDeviceLabel, kSpot));
  const auto before = line.clock.Now();
  EXPECT_EQ(session.Run(GetLabel()), kExitAck);
  EXPECT_EQ(out.str(), "label: Spot\n");
  EXPECT_EQ(PidsSent(), (std::vector<std::uint16_t>{rdm::kPidDeviceLabel, rdm::kPidQueuedMessage}));
  // The QUEUED_MESSAGE asks for errors only, and only once 1.5 s have passed.
  EXPECT_EQ(line.written.back()[rdm::kOffsetPdl], 1);
  EXPECT_EQ(line.written.back()[rdm::kOffsetParameterData], rdm::kStatusError);
  EXPECT_GE(line.clock.Now() - before, std::chrono::milliseconds(1500));
}

TEST_F(SessionTest, QueuedMessagePollsGoOnUntilTheReplyAskedFor) {
  line.replies.push_back(Reply(rdm::kResponseAckTimer, rdm::kPidDeviceLabel, {0x00, 0x01}));
  // Queue empty: the answer is STATUS_MESSAGES; then the fixture is still busy.
  line.replies.push_back(Reply(rdm::kResponseAck, rdm::kPidStatusMessages, {}));
  line.replies.push_back(Reply(rdm::kResponseAckTimer, rdm::kPidQueuedMessage, {0x00, 0x02}));
  line.replies.push_back(Reply(rdm::kResponseAck, rdm::kPidDeviceLabel, kSpot));
  EXPECT_EQ(session.Run(GetLabel()), kExitAck);
  EXPECT_EQ(out.str(), "label: Spot\n");
  EXPECT_EQ(PidsSent().size(), 4u);
}

TEST_F(SessionTest, AReplyThatNeverComesEndsAfterTheLastPoll) {
  for (int i = 0; i <= params::kMaxQueuedMessagePolls; ++i) {
    line.replies.push_back(Reply(rdm::kResponseAckTimer, rdm::kPidDeviceLabel, {0x00, 0x01}));
  }
  EXPECT_EQ(session.Run(GetLabel()), kExitFailed);
  EXPECT_EQ(PidsSent().size(), 1u + params::kMaxQueuedMessagePolls);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(),
            "4b52:00000007 device_label: reply still pending after 10 "
            "queued-message requests\n");

  // Another queued message to the last is no answer either.
  line.written.clear();
  err.str("");
  line.replies.push_back(Reply(rdm::kResponseAckTimer, rdm::kPidDeviceLabel, {0x00, 0x01}));
  for (int i = 0; i < params::kMaxQueuedMessagePolls; ++i) {
    line.replies.push_back(Reply(rdm::kResponseAck, rdm::kPidStatusMessages, {}));
  }
  EXPECT_EQ(session.Run(GetLabel()), kExitFailed);
  EXPECT_NE(err.str().find("still pending"), std::string::npos) << err.str();
}

TEST_F(SessionTest, FailuresAreNamedOnStderr) {
  line.replies.push_back(Reply(rdm::kResponseNackReason, rdm::kPidDeviceLabel, {0x00, 0x05}));
  EXPECT_EQ(session.Run(GetLabel()), kExitFailed);
  EXPECT_EQ(
      err.str(),
      "4b52:00000007 device_label: NR_UNSUPPORTED_COMMAND_CLASS (unsupported command class)\n");

  err.str("");
  auto bad = Reply(rdm::kResponseAck, rdm::kPidDeviceLabel, kSpot);
  bad.back() ^= 1;
  line.replies.push_back(bad);
  EXPECT_EQ(session.Run(GetLabel()), kExitFailed);
  EXPECT_NE(err.str().find("checksum"), std::string::npos) << err.str();

  err.str("");
  line.failRead = true;
  EXPECT_EQ(session.Run(GetLabel()), kExitFailed);
  EXPECT_NE(err.str().find("line failure"), std::string::npos) << err.str();
  EXPECT_EQ(out.str(), "");
}

// Under --json every outcome is one document on stdout, with the status
// scripts match on; stderr keeps its line.
TEST_F(SessionTest, EveryOutcomeIsAJsonDocument) {
  Session json{controller, out, err, true};
  auto pending = [&] {
    for (int i = 0; i <= params::kMaxQueuedMessagePolls; ++i) {
      line.replies.push_back(Reply(rdm::kResponseAckTimer, rdm::kPidDeviceLabel, {0x00, 0x01}));
    }
  };
  auto badChecksum = [&] {
    auto bad = Reply(rdm::kResponseAck, rdm::kPidDeviceLabel, kSpot);
    bad.back() ^= 1;
    line.replies.push_back(bad);
  };
  struct Case {
    std::function<void()> script;
    int exit;
    const char* document;
  };
  const std::vector<Case> cases = {
      {[&] { line.replies.push_back(Reply(rdm::kResponseAck, rdm::kPidDeviceLabel, kSpot)); },
       kExitAck,
       R"json({"uid": "4b52:00000007", "pid": "device_label", "status": "ACK",
           "label": "Spot"})json"},
      {[&] {
         line.replies.push_back(Reply(rdm::kResponseNackReason, rdm::kPidDeviceLabel, {0, 0}));
       },
       kExitFailed,
       R"json({"uid": "4b52:00000007", "pid": "device_label", "status": "NACK",
           "nack_reason": "NR_UNKNOWN_PID", "nack_text": "unknown PID",
           "error": "NR_UNKNOWN_PID (unknown PID)"})json"},
      {pending, kExitFailed,
       R"json({"uid": "4b52:00000007", "pid": "device_label", "status": "ACK_TIMER",
           "error": "reply still pending after 10 queued-message requests"})json"},
      {badChecksum, kExitFailed,
       R"json({"uid": "4b52:00000007", "pid": "device_label", "status": "BAD_CHECKSUM",
           "error": "bad checksum"})json"},
      {[] {}, kExitFailed,
       R"json({"uid": "4b52:00000007", "pid": "device_label", "status": "NO_REPLY",
           "error": "no reply"})json"},
      {[&] { line.failRead = true; }, kExitFailed,
       R"json({"uid": "4b52:00000007", "pid": "device_label", "status": "LINE_FAILURE",
           "error": "line failure: the interface refused to send or to read"})json"},
  };
  for (const Case& c : cases) {
    line.replies.clear();
    line.failRead = false;
    out.str("");
    err.str("");
    c.script();
    EXPECT_EQ(json.Run(GetLabel()), c.exit) << c.document;
    EXPECT_EQ(nlohmann::json::parse(out.str()), nlohmann::json::parse(c.document));
    EXPECT_EQ(err.str().empty(), c.exit == kExitAck) << err.str();
  }
  // A reply that ends inside its field: what came, and why it is a failure.
  line.failRead = false;
  out.str("");
  line.replies.push_back(Reply(rdm::kResponseAck, rdm::kPidDmxStartAddress, {0x00}));
  Invocation address = GetLabel();
  address.pid = rdm::kPidDmxStartAddress;
  EXPECT_EQ(json.Run(address), kExitFailed);
  const auto shortReply = nlohmann::json::parse(out.str());
  EXPECT_EQ(shortReply["status"], "SHORT_REPLY");
  EXPECT_EQ(shortReply["error"], "reply shorter than its parameter");
  EXPECT_EQ(shortReply["pid"], "dmx_start_address");
}

// discover on a virtual rig in instant timing, which records every request.
struct DiscoverTest : ::testing::Test {
  sim::VirtualLine line{sim::Timing::kInstant};
  RdmTransport transport{line, nullptr};
  LineController controller{transport, "the line"};
  std::ostringstream out, err;

  DiscoverTest() {
    LineHandle handle = 0;
    EXPECT_EQ(line.Open(0, &handle), kLineOk);
    transport.SetHandle(handle);
  }
  void Add(Uid uid) {
    sim::ResponderConfig config;
    config.uid = uid;
    line.AddResponder(config);
  }
  int BranchRequests() const {
    const auto requests = line.Requests();
    return static_cast<int>(std::count_if(requests.begin(), requests.end(), [](const auto& r) {
      return r.request.pid == rdm::kPidDiscUniqueBranch;
    }));
  }
};

// A full discovery, its progress shown: one line rewritten in place, cleared
// at the end. Then from the devices known: they are muted in their order and
// kept, the one gone is dropped, and the search finds only what is new, in a
// small part of the branch requests of a full search.
TEST_F(DiscoverTest, FullWithProgressThenIncrementalFromTheDevicesKnown) {
  std::vector<Uid> known;  // lowest first: not the order a search finds them in
  for (Uid i = 1; i <= 8; ++i) known.push_back(0x4B52'00000000ULL + i * 0x1357'9BDFULL);
  for (Uid uid : known) Add(uid);
  constexpr Uid kNew = 0x4A4C'00000012ULL, kGone = 0x4B52'0000DEADULL;
  Add(kNew);
  auto lines = [](const std::vector<Uid>& uids) {
    std::string text;
    for (Uid uid : uids) text += UidOut(uid) + "\n";
    return text;
  };
  Session session{controller, out, err, false};
  session.ShowDiscoveryProgress(true);
  Invocation discover;
  discover.command = Command::kDiscover;
  EXPECT_EQ(session.Run(discover), kExitAck);
  const int fullBranches = BranchRequests();
  EXPECT_NE(out.str(), lines(known) + lines({kNew}));  // the search finds them in another order
  const std::string progress = err.str();
  EXPECT_EQ(progress.find('\n'), std::string::npos);
  EXPECT_TRUE(progress.starts_with("\rdiscovering: 1 branch requests, 0 found")) << progress;
  EXPECT_TRUE(progress.ends_with("\rdiscovering: " + std::to_string(fullBranches) +
                                 " branch requests, 9 found\r\033[K"))
      << progress;

  session.ShowDiscoveryProgress(false);
  discover.incremental = true;
  discover.uids = known;
  discover.uids.push_back(kGone);
  out.str("");
  err.str("");
  line.ClearRequests();
  EXPECT_EQ(session.Run(discover), kExitAck);
  EXPECT_EQ(out.str(), lines(known) + lines({kNew}));
  EXPECT_LT(BranchRequests() * 10, fullBranches);
  EXPECT_EQ(err.str(), "");
}

// A line that refuses to send: the list would say nothing about the fixtures.
TEST_F(SessionTest, DiscoverOnALineThatRefusesToSendFails) {
  line.failWrite = true;
  Invocation discover;
  discover.command = Command::kDiscover;
  EXPECT_EQ(session.Run(discover), kExitFailed);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "discover: the line failed: 5 of 5 discovery requests were not sent\n");
}

}  // namespace

// A controller that nothing answered during a discovery (an Art-Net node that
// sent no table): discover fails in words and in JSON, since an empty list
// would read as a port without fixtures.
TEST(DiscoverUnanswered, IsAFailureNotAnEmptyList) {
  struct SilentNode final : RdmController {
    SimulatedClock clock;
    std::string Describe() const override { return "Art-Net node 10.0.0.9, Port-Address 0:0:0"; }
    Clock& GetClock() override { return clock; }
    RdmReply Send(const RdmRequest&, bool) override { return {}; }
    void Discover(DiscoveryMode, DeviceTable&, const DiscoveryHooks& hooks) override {
      hooks.unanswered(Describe() + ": no table of devices came");
    }
    ForwardedReply Forward(std::span<const std::uint8_t>, bool, const LogSink&) override {
      return {};
    }
  } node;
  Invocation discover;
  discover.command = Command::kDiscover;
  for (const bool json : {false, true}) {
    std::ostringstream out, err;
    EXPECT_EQ(Session(node, out, err, json).Run(discover), kExitFailed);
    EXPECT_EQ(err.str(),
              "discover: Art-Net node 10.0.0.9, Port-Address 0:0:0: no table of devices came\n");
    EXPECT_EQ(out.str(), json ? FailureText("NO_REPLY",
                                            "Art-Net node 10.0.0.9, Port-Address 0:0:0: "
                                            "no table of devices came")
                              : "");
  }
}

}  // namespace korval::cli
