#include "rdm/rdm_message.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/bytes.h"
#include "rdm/rdm_constants.h"

namespace korval {

using namespace rdm;

namespace {

// The header of a message whose first byte is its start code, or the
// sub-start code when `shift` is 1. Bytes past the span read as 0xFF.
RdmHeader ReadHeader(std::span<const std::uint8_t> bytes, std::size_t shift) {
  return {.destination = ReadBe48(bytes, kOffsetDestination - shift),
          .source = ReadBe48(bytes, kOffsetSource - shift),
          .transaction = ReadByte(bytes, kOffsetTransaction - shift),
          .portOrResponseType = ReadByte(bytes, kOffsetPortOrResponseType - shift),
          .messageCount = ReadByte(bytes, kOffsetMessageCount - shift),
          .subDevice = ReadBe16(bytes, kOffsetSubDevice - shift),
          .commandClass = ReadByte(bytes, kOffsetCommandClass - shift),
          .pid = ReadBe16(bytes, kOffsetPid - shift)};
}

}  // namespace

std::vector<std::uint8_t> EncodeRdmFrame(const RdmHeader& header,
                                         std::span<const std::uint8_t> data) {
  const std::size_t pdl = std::min(data.size(), kMaxPdl);
  std::vector<std::uint8_t> frame;
  frame.reserve(kHeaderBytes + pdl + kChecksumBytes);
  frame.push_back(kStartCode);
  frame.push_back(kSubStartCode);
  frame.push_back(static_cast<std::uint8_t>(kHeaderBytes + pdl));
  AppendBe48(frame, header.destination);
  AppendBe48(frame, header.source);
  frame.push_back(header.transaction);
  frame.push_back(header.portOrResponseType);
  frame.push_back(header.messageCount);
  AppendBe16(frame, header.subDevice);
  frame.push_back(header.commandClass);
  AppendBe16(frame, header.pid);
  frame.push_back(static_cast<std::uint8_t>(pdl));
  frame.insert(frame.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(pdl));
  AppendBe16(frame, RdmChecksum(frame));
  return frame;
}

std::optional<RdmFrameView> ValidateRdmFrame(std::span<const std::uint8_t> bytes,
                                             StartCode startCode) {
  // Offsets count from the start code; without it the message begins one
  // byte earlier in the span.
  const std::size_t shift = startCode == StartCode::kOmitted ? 1 : 0;
  if (shift == 0 && ReadByte(bytes, kOffsetStartCode) != kStartCode) return std::nullopt;
  if (ReadByte(bytes, kOffsetSubStartCode - shift) != kSubStartCode) return std::nullopt;
  const std::size_t length = ReadByte(bytes, kOffsetMessageLength - shift);
  if (length < kHeaderBytes) return std::nullopt;
  // The message length counts from the start code to the end of the data; the
  // checksum's two bytes follow.
  const std::size_t checksumAt = length - shift;
  if (bytes.size() < checksumAt + kChecksumBytes) return std::nullopt;
  const auto message = bytes.first(checksumAt + kChecksumBytes);
  const std::size_t pdl = length - kHeaderBytes;
  if (message[kOffsetPdl - shift] != pdl) return std::nullopt;
  const auto sum = static_cast<std::uint16_t>((shift == 0 ? 0 : kStartCode) +
                                              RdmChecksum(message.first(checksumAt)));
  return RdmFrameView{.header = ReadHeader(message, shift),
                      .data = message.subspan(kOffsetParameterData - shift, pdl),
                      .message = message,
                      .checksumOk = ReadBe16(message, checksumAt) == sum};
}

std::vector<std::uint8_t> RdmFrameWithStartCode(std::span<const std::uint8_t> message) {
  std::vector<std::uint8_t> frame;
  frame.reserve(message.size() + 1);
  frame.push_back(kStartCode);
  frame.insert(frame.end(), message.begin(), message.end());
  return frame;
}

std::span<const std::uint8_t> RdmWithoutStartCode(std::span<const std::uint8_t> frame) {
  return frame.empty() ? frame : frame.subspan(1);
}

std::vector<std::uint8_t> EncodeRequestFrame(const RdmRequest& request, Uid source,
                                             std::uint8_t transaction, std::uint8_t portId) {
  return EncodeRdmFrame({.destination = request.destination,
                         .source = source,
                         .transaction = transaction,
                         .portOrResponseType = portId,
                         .subDevice = request.subDevice,
                         .commandClass = request.commandClass,
                         .pid = request.pid},
                        request.data);
}

RdmReply DecodeReplyFrame(std::span<const std::uint8_t> bytes) {
  RdmReply reply;
  if (ReadByte(bytes, kOffsetStartCode) != kStartCode) return reply;

  // Lenient where ValidateRdmFrame is strict: what the line delivered is
  // judged only by its checksum, found where the responder put it after the
  // PDL's data, whatever the message length says.
  const std::size_t length = ReadByte(bytes, kOffsetMessageLength);
  const std::size_t pdl = ReadByte(bytes, kOffsetPdl);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < length; ++i) sum += ReadByte(bytes, i);
  if (ReadBe16(bytes, kOffsetParameterData + pdl) != static_cast<std::uint16_t>(sum)) {
    reply.status = ReplyStatus::kBadChecksum;
    return reply;
  }

  const RdmHeader header = ReadHeader(bytes, 0);
  reply.destination = header.destination;
  reply.source = header.source;
  reply.transaction = header.transaction;
  reply.responseType = header.portOrResponseType;
  reply.messageCount = header.messageCount;
  reply.subDevice = header.subDevice;
  reply.commandClass = header.commandClass;
  reply.pid = header.pid;
  reply.data.resize(pdl);
  for (std::size_t i = 0; i < pdl; ++i) reply.data[i] = ReadByte(bytes, kOffsetParameterData + i);

  switch (reply.responseType) {
    case kResponseAck:
      reply.status = ReplyStatus::kAck;
      break;
    case kResponseAckTimer:
      reply.status = ReplyStatus::kAckTimer;
      reply.ackTimerDelay = std::chrono::milliseconds(ReadBe16(reply.data, 0) * kAckTimerUnitMs);
      break;
    case kResponseNackReason:
      reply.status = ReplyStatus::kNack;
      reply.nackReason = ReadBe16(reply.data, 0);
      break;
    case kResponseAckOverflow:
      reply.status = ReplyStatus::kAckOverflow;
      break;
    default:
      reply.status = ReplyStatus::kUnknownResponseType;
      break;
  }
  return reply;
}

std::vector<std::uint8_t> EncodeReplyFrame(const RdmReply& reply) {
  return EncodeRdmFrame({.destination = reply.destination,
                         .source = reply.source,
                         .transaction = reply.transaction,
                         .portOrResponseType = reply.responseType,
                         .messageCount = reply.messageCount,
                         .subDevice = reply.subDevice,
                         .commandClass = reply.commandClass,
                         .pid = reply.pid},
                        reply.data);
}

std::array<std::uint8_t, 2> EncodeDiscByte(std::uint8_t byte) {
  return {static_cast<std::uint8_t>(byte | 0xAA), static_cast<std::uint8_t>(byte | 0x55)};
}

std::uint8_t DecodeDiscByte(std::span<const std::uint8_t> bytes, std::size_t at) {
  return ReadByte(bytes, at) & ReadByteAfter(bytes, at, 1);
}

std::vector<std::uint8_t> EncodeDiscoveryResponse(Uid uid, bool badChecksum, std::size_t preamble) {
  std::vector<std::uint8_t> out(std::min(preamble, kDiscMaxPreamble), kDiscPreamble);
  out.push_back(kDiscSeparator);
  std::uint16_t sum = 0;
  for (std::uint8_t b : UidToBytes(uid)) {
    for (std::uint8_t encoded : EncodeDiscByte(b)) {
      out.push_back(encoded);
      sum = static_cast<std::uint16_t>(sum + encoded);
    }
  }
  if (badChecksum) ++sum;
  for (std::uint8_t b : Be16Bytes(sum)) {
    const auto encoded = EncodeDiscByte(b);
    out.insert(out.end(), encoded.begin(), encoded.end());
  }
  return out;
}

std::string_view ReplyStatusName(ReplyStatus status) {
  switch (status) {
    case ReplyStatus::kAck:
      return "ACK";
    case ReplyStatus::kAckTimer:
      return "ACK_TIMER";
    case ReplyStatus::kAckOverflow:
      return "ACK_OVERFLOW";
    case ReplyStatus::kNack:
      return "NACK";
    case ReplyStatus::kUnknownResponseType:
      return "unknown response type";
    case ReplyStatus::kNoReply:
      return "no reply";
    case ReplyStatus::kBadChecksum:
      return "bad checksum";
    case ReplyStatus::kLineFailure:
      return "line failure";
  }
  return "?";
}

namespace {

struct Reason {
  std::uint16_t code;
  const char* text;
  const char* name;
};
constexpr std::array<Reason, 11> kReasons = {{
    {kNrUnknownPid, "unknown PID", "NR_UNKNOWN_PID"},
    {kNrFormatError, "format error", "NR_FORMAT_ERROR"},
    {kNrHardwareFault, "hardware fault", "NR_HARDWARE_FAULT"},
    {kNrProxyReject, "proxy reject", "NR_PROXY_REJECT"},
    {kNrWriteProtect, "write protect", "NR_WRITE_PROTECT"},
    {kNrUnsupportedCommandClass, "unsupported command class", "NR_UNSUPPORTED_COMMAND_CLASS"},
    {kNrDataOutOfRange, "data out of range", "NR_DATA_OUT_OF_RANGE"},
    {kNrBufferFull, "buffer full", "NR_BUFFER_FULL"},
    {kNrPacketSizeUnsupported, "packet size unsupported", "NR_PACKET_SIZE_UNSUPPORTED"},
    {kNrSubDeviceOutOfRange, "sub-device out of range", "NR_SUB_DEVICE_OUT_OF_RANGE"},
    {kNrProxyBufferFull, "proxy buffer full", "NR_PROXY_BUFFER_FULL"},
}};

const Reason* FindReason(std::uint16_t code) {
  for (const Reason& r : kReasons) {
    if (r.code == code) return &r;
  }
  return nullptr;
}

std::string UndefinedReason(const char* prefix, std::uint16_t reason) {
  char text[24];
  std::snprintf(text, sizeof text, "%s0x%04X", prefix, static_cast<unsigned>(reason));
  return text;
}

}  // namespace

std::string NackReasonText(std::uint16_t reason) {
  const Reason* r = FindReason(reason);
  return r != nullptr ? r->text : UndefinedReason("reason ", reason);
}

std::string NackReasonName(std::uint16_t reason) {
  const Reason* r = FindReason(reason);
  return r != nullptr ? r->name : UndefinedReason("NR_", reason);
}

std::uint16_t RdmChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint16_t>(sum);
}

}  // namespace korval
