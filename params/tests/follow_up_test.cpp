// The follow-up of a request above any controller: ACK_TIMER asked again
// through QUEUED_MESSAGE after the delay named, ACK_OVERFLOW parts joined,
// both bounded; broadcasts not waited for.
#include "params/follow_up.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>

#include "rdm/rdm_constants.h"

namespace korval::params {
namespace {

using namespace rdm;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr Uid kSpot = 0x4B52'00000101ULL;

// Plays back one reply per request and keeps what it was asked.
class ScriptedController final : public RdmController {
 public:
  std::deque<RdmReply> replies;
  std::vector<RdmRequest> asked;
  std::vector<bool> awaited;
  SimulatedClock clock;

  std::string Describe() const override { return "scripted"; }
  Clock& GetClock() override { return clock; }
  RdmReply Send(const RdmRequest& request, bool awaitReply) override {
    asked.push_back(request);
    awaited.push_back(awaitReply);
    if (replies.empty() || !awaitReply) return {};
    RdmReply reply = replies.front();
    replies.pop_front();
    return reply;
  }
  void Discover(DiscoveryMode, DeviceTable&, const DiscoveryHooks&) override {}
  ForwardedReply Forward(std::span<const std::uint8_t>, bool, const LogSink&) override {
    return {};
  }
};

RdmReply Answer(ReplyStatus status, std::vector<std::uint8_t> data = {},
                std::uint16_t pid = kPidDeviceLabel) {
  RdmReply r;
  r.status = status;
  r.pid = pid;
  r.data = std::move(data);
  if (status == ReplyStatus::kAckTimer) r.ackTimerDelay = 300ms;
  return r;
}

TEST(FollowUpTest, EachRequestIsCarriedToItsFinalReply) {
  const RdmRequest get{.destination = kSpot, .commandClass = kGetCommand, .pid = kPidDeviceLabel};
  const RdmReply ack = Answer(ReplyStatus::kAck, {'S'});
  const RdmReply overflow = Answer(ReplyStatus::kAckOverflow, {'a'});
  const RdmReply timer = Answer(ReplyStatus::kAckTimer);
  const RdmReply status = Answer(ReplyStatus::kAck, {}, kPidStatusMessages);  // queue empty
  struct Case {
    const char* name;
    std::vector<RdmReply> replies;
    ReplyStatus status;
    std::vector<std::uint8_t> data;
    std::size_t requests;
    Clock::Duration waited;
  };
  const std::vector<Case> cases = {
      {"overflow parts joined",
       {overflow, Answer(ReplyStatus::kAckOverflow, {'b'}), ack},
       ReplyStatus::kAck,
       {'a', 'b', 'S'},
       3,
       0ms},
      {"overflow ended by silence", {overflow}, ReplyStatus::kNoReply, {}, 2, 0ms},
      {"endless overflow given up",
       std::vector<RdmReply>(kMaxOverflowParts + 5, overflow),
       ReplyStatus::kAckOverflow,
       {'a'},
       kMaxOverflowParts,
       0ms},
      {"a timer, then the reply queued", {timer, ack}, ReplyStatus::kAck, {'S'}, 2, 300ms},
      {"a timer, then the queue empty until the polls run out",
       {timer, status, status, status, status, status, status, status, status, status, status},
       ReplyStatus::kAckTimer,
       {},
       1 + kMaxQueuedMessagePolls,
       10 * 300ms},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedController controller;
    controller.replies.assign(c.replies.begin(), c.replies.end());
    const RdmReply reply = SendToTheEnd(controller, get);
    EXPECT_EQ(reply.status, c.status);
    if (c.status != ReplyStatus::kNoReply) {
      EXPECT_EQ(reply.data, c.data);
    }
    EXPECT_EQ(controller.asked.size(), c.requests);
    EXPECT_EQ(controller.clock.Now(), c.waited);
    // After a timer the same question is asked of the root's queue.
    for (std::size_t i = 1; i < controller.asked.size() && c.waited > 0ms; ++i) {
      EXPECT_EQ(controller.asked[i].pid, kPidQueuedMessage);
      EXPECT_EQ(controller.asked[i].subDevice, 0);
      EXPECT_THAT(controller.asked[i].data, ElementsAre(kStatusError));
    }
  }
}

TEST(FollowUpTest, ABroadcastIsSentAndNotWaitedFor) {
  ScriptedController controller;
  controller.replies.push_back(Answer(ReplyStatus::kAckTimer));
  for (Uid all : {kBroadcastUid, Uid{0x4B52'FFFF'FFFFULL}}) {
    const RdmReply reply = SendToTheEnd(
        controller, {.destination = all, .commandClass = kSetCommand, .pid = kPidIdentifyDevice});
    EXPECT_EQ(reply.status, ReplyStatus::kNoReply);
  }
  EXPECT_THAT(controller.awaited, ElementsAre(false, false));
}

}  // namespace
}  // namespace korval::params
