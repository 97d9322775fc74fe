#include "params/follow_up.h"

#include "rdm/rdm_constants.h"

namespace korval::params {

using namespace rdm;

namespace {

// One request and, for a GET, the parts of an overflowing reply, joined.
RdmReply SendJoined(RdmController& controller, const RdmRequest& request) {
  RdmReply reply = controller.Send(request, !IsBroadcastUid(request.destination));
  if (request.commandClass != kGetCommand) return reply;
  std::vector<std::uint8_t> joined;
  for (int part = 1; reply.status == ReplyStatus::kAckOverflow; ++part) {
    if (part == kMaxOverflowParts) return reply;
    joined.insert(joined.end(), reply.data.begin(), reply.data.end());
    reply = controller.Send(request);
  }
  if (reply.IsAck() && !joined.empty()) {
    reply.data.insert(reply.data.begin(), joined.begin(), joined.end());
  }
  return reply;
}

}  // namespace

RdmReply SendToTheEnd(RdmController& controller, const RdmRequest& request) {
  RdmReply reply = SendJoined(controller, request);
  std::chrono::milliseconds delay = reply.ackTimerDelay;
  bool polled = false;
  // A queued-message poll answered with another message (or, queue empty,
  // with STATUS_MESSAGES) means the reply asked for is not in yet.
  auto other = [&] {
    return polled && reply.Answered() && reply.pid != request.pid &&
           reply.status != ReplyStatus::kNack;
  };
  for (int poll = 0; poll < kMaxQueuedMessagePolls; ++poll) {
    const bool pending = reply.status == ReplyStatus::kAckTimer;
    if (!pending && !other()) break;
    polled = true;
    if (pending) delay = reply.ackTimerDelay;
    controller.GetClock().SleepFor(delay);
    // The root device keeps the queue for its sub-devices too. The status type
    // asked for only matters when the queue is empty: errors alone keep that
    // answer short.
    reply = SendJoined(controller, {.destination = request.destination,
                                    .commandClass = kGetCommand,
                                    .pid = kPidQueuedMessage,
                                    .data = {kStatusError}});
  }
  if (other()) reply.status = ReplyStatus::kAckTimer;
  return reply;
}

}  // namespace korval::params
