// RDM requests and replies as values, and their wire form.
//
// A request names what the controller asks; the frame adds what the controller
// fills in per message (source UID, transaction number, port). A reply is what
// came back, judged: its status says whether it is an acknowledgement, and
// carries the NACK reason or the ACK_TIMER delay where there is one. Both
// functions over bytes are pure and read nothing outside the span.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rdm/uid.h"

namespace korval {

struct RdmRequest {
  Uid destination = 0;
  std::uint8_t commandClass = 0;
  std::uint16_t pid = 0;
  std::uint16_t subDevice = 0;
  // At most 231 bytes (E1.20's largest PDL) go out; the rest is not sent.
  std::vector<std::uint8_t> data{};
};

// The request frame as it goes on the line: start codes, message length,
// destination, source, transaction number, port ID, message count 0,
// sub-device, command class, PID, PDL, data, checksum.
std::vector<std::uint8_t> EncodeRequestFrame(const RdmRequest& request, Uid source,
                                             std::uint8_t transaction, std::uint8_t portId);

enum class ReplyStatus {
  kAck,
  kAckTimer,     // the responder asks to be asked again later: ackTimerDelay
  kAckOverflow,  // one part of a reply that continues in the next (joined by Transact)
  kNack,         // refused: nackReason
  kUnknownResponseType,
  kNoReply,  // nothing, or no start code where the reply should begin
  kBadChecksum,
  kLineFailure,  // the interface refused to send or to read
};

struct RdmReply {
  ReplyStatus status = ReplyStatus::kNoReply;
  Uid destination = 0;
  Uid source = 0;
  std::uint8_t transaction = 0;
  std::uint8_t responseType = 0;
  std::uint8_t messageCount = 0;
  std::uint16_t subDevice = 0;
  std::uint8_t commandClass = 0;
  std::uint16_t pid = 0;
  std::vector<std::uint8_t> data;  // PDL bytes; those that never arrived read 0xFF
  std::uint16_t nackReason = 0;
  std::chrono::milliseconds ackTimerDelay{0};

  bool IsAck() const { return status == ReplyStatus::kAck; }
  // Checked, and from a responder: ACK, ACK_TIMER, ACK_OVERFLOW, NACK or an
  // unknown response type.
  bool Answered() const {
    return status != ReplyStatus::kNoReply && status != ReplyStatus::kBadChecksum &&
           status != ReplyStatus::kLineFailure;
  }
};

// Judges the bytes the line delivered for a reply, start code at index 0.
// The checksum is taken over the message length and expected after the PDL's
// data, as the responder placed it; bytes past the span read as 0xFF, the
// value of a byte that never arrived.
RdmReply DecodeReplyFrame(std::span<const std::uint8_t> bytes);

// "ACK", "NACK", "no reply", ...: for logs and terminals.
std::string_view ReplyStatusName(ReplyStatus status);
// E1.20's name of a NACK reason ("unknown PID", "data out of range", ...), or
// "reason 0xNNNN" for one it does not define.
std::string NackReasonText(std::uint16_t reason);
// The reason's E1.20 symbol ("NR_UNKNOWN_PID"), or "NR_0xNNNN" for one it does
// not define: what scripts match on.
std::string NackReasonName(std::uint16_t reason);

// Sum of the bytes, kept to 16 bits.
std::uint16_t RdmChecksum(std::span<const std::uint8_t> bytes);

}  // namespace korval
