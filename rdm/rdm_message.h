// RDM requests and replies as values, and their one wire form.
//
// Every RDM message the tool builds or reads goes through here: the
// controller's requests, the simulated responders' requests and replies, the
// messages Art-Net carries, and the answers to DISC_UNIQUE_BRANCH.
// EncodeRdmFrame writes a message from its fields and ValidateRdmFrame checks
// one and views its fields; the request encoder, the reply encoder and the
// reply decoder are made of them.
//
// A request names what the controller asks; the frame adds what the controller
// fills in per message (source UID, transaction number, port). A reply is what
// came back, judged: its status says whether it is an acknowledgement, and
// carries the NACK reason or the ACK_TIMER delay where there is one. Every
// function over bytes is pure and reads nothing outside the span.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rdm/rdm_constants.h"
#include "rdm/uid.h"

namespace korval {

// What every RDM message carries between its message length and its PDL, in
// wire order, request and reply alike.
struct RdmHeader {
  Uid destination = 0;
  Uid source = 0;
  std::uint8_t transaction = 0;
  std::uint8_t portOrResponseType = 0;  // a request's port ID, a reply's response type
  std::uint8_t messageCount = 0;
  std::uint16_t subDevice = 0;
  std::uint8_t commandClass = 0;
  std::uint16_t pid = 0;
};

// On the line a message begins with its start code 0xCC; Art-Net carries it
// from the sub-start code on. The checksum counts the start code either way.
enum class StartCode : std::uint8_t { kIncluded, kOmitted };

// A message as it goes on the line: start code, sub-start code, message
// length, the header, PDL, data and checksum. At most 231 bytes of data (the
// largest PDL) go out; the rest is not sent.
std::vector<std::uint8_t> EncodeRdmFrame(const RdmHeader& header,
                                         std::span<const std::uint8_t> data);

// A message whose layout holds, as a view of the bytes it was found in.
struct RdmFrameView {
  RdmHeader header;
  std::span<const std::uint8_t> data;     // the PDL's bytes
  std::span<const std::uint8_t> message;  // from its first byte to its checksum's last
  bool checksumOk = false;
};
// The message at the start of bytes when its layout holds: its start code
// (unless omitted), the sub-start code 0x01, a message length of at least the
// header whose message and checksum lie inside bytes, and a PDL that agrees
// with that length. Bytes after the checksum are left out of the view. The
// checksum is judged, not required: checksumOk.
std::optional<RdmFrameView> ValidateRdmFrame(std::span<const std::uint8_t> bytes,
                                             StartCode startCode = StartCode::kIncluded);

// The start code put back in front of a message as Art-Net carries it.
std::vector<std::uint8_t> RdmFrameWithStartCode(std::span<const std::uint8_t> message);
// The other way: a frame from the line, start code first, as Art-Net carries
// it. An empty frame gives an empty message.
std::span<const std::uint8_t> RdmWithoutStartCode(std::span<const std::uint8_t> frame);

struct RdmRequest {
  Uid destination = 0;
  std::uint8_t commandClass = 0;
  std::uint16_t pid = 0;
  std::uint16_t subDevice = 0;
  // At most 231 bytes (E1.20's largest PDL) go out; the rest is not sent.
  std::vector<std::uint8_t> data{};
};

// The request frame as it goes on the line, message count 0: a controller has
// nothing queued.
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

// Another controller's request as the fixtures answered it.
struct ForwardedReply {
  RdmReply reply;
  // The reply from its start code to its checksum; empty unless a reply with
  // a good checksum came.
  std::vector<std::uint8_t> frame;
};

// Judges the bytes the line delivered for a reply, start code at index 0.
// The checksum is taken over the message length and expected after the PDL's
// data, as the responder placed it; bytes past the span read as 0xFF, the
// value of a byte that never arrived.
RdmReply DecodeReplyFrame(std::span<const std::uint8_t> bytes);

// The frame a responder sends for the reply: its addresses, transaction,
// response type, message count, sub-device, command class, PID and data as
// they are (the data carries any NACK reason or ACK_TIMER delay; status,
// nackReason and ackTimerDelay are not read).
std::vector<std::uint8_t> EncodeReplyFrame(const RdmReply& reply);

// A DISC_UNIQUE_BRANCH answer carries each byte as the pair (b | 0xAA,
// b | 0x55): every byte on the wire has half its bits set whatever the data,
// and the AND of the pair gives the byte back.
std::array<std::uint8_t, 2> EncodeDiscByte(std::uint8_t byte);
// The byte of the pair at `at` and `at + 1`; a byte past the span reads 0xFF.
std::uint8_t DecodeDiscByte(std::span<const std::uint8_t> bytes, std::size_t at);
// A responder's answer to DISC_UNIQUE_BRANCH: `preamble` bytes 0xFE (up to
// seven), the separator 0xAA, the UID and then the sum of its twelve encoded
// bytes, encoded. A bad checksum sends that sum plus one (a faulty responder).
std::vector<std::uint8_t> EncodeDiscoveryResponse(Uid uid, bool badChecksum = false,
                                                  std::size_t preamble = rdm::kDiscMaxPreamble);

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
