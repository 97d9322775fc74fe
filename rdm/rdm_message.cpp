#include "rdm/rdm_message.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/bytes.h"
#include "rdm/rdm_constants.h"

namespace korval {

using namespace rdm;

std::vector<std::uint8_t> EncodeRequestFrame(const RdmRequest& request, Uid source,
                                             std::uint8_t transaction, std::uint8_t portId) {
  const std::size_t pdl = std::min(request.data.size(), kMaxPdl);
  const std::size_t length = kHeaderBytes + pdl;
  std::vector<std::uint8_t> frame;
  frame.reserve(length + kChecksumBytes);
  frame.push_back(kStartCode);
  frame.push_back(kSubStartCode);
  frame.push_back(static_cast<std::uint8_t>(length));
  AppendBe48(frame, request.destination);
  AppendBe48(frame, source);
  frame.push_back(transaction);
  frame.push_back(portId);
  frame.push_back(0);  // message count: a controller has nothing queued
  AppendBe16(frame, request.subDevice);
  frame.push_back(request.commandClass);
  AppendBe16(frame, request.pid);
  frame.push_back(static_cast<std::uint8_t>(pdl));
  frame.insert(frame.end(), request.data.begin(),
               request.data.begin() + static_cast<std::ptrdiff_t>(pdl));
  AppendBe16(frame, RdmChecksum(frame));
  return frame;
}

RdmReply DecodeReplyFrame(std::span<const std::uint8_t> bytes) {
  RdmReply reply;
  if (ReadByte(bytes, kOffsetStartCode) != kStartCode) return reply;

  const std::size_t length = ReadByte(bytes, kOffsetMessageLength);
  const std::size_t pdl = ReadByte(bytes, kOffsetPdl);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < length; ++i) sum += ReadByte(bytes, i);
  if (ReadBe16(bytes, kOffsetParameterData + pdl) != static_cast<std::uint16_t>(sum)) {
    reply.status = ReplyStatus::kBadChecksum;
    return reply;
  }

  reply.destination = ReadBe48(bytes, kOffsetDestination);
  reply.source = ReadBe48(bytes, kOffsetSource);
  reply.transaction = ReadByte(bytes, kOffsetTransaction);
  reply.responseType = ReadByte(bytes, kOffsetPortOrResponseType);
  reply.messageCount = ReadByte(bytes, kOffsetMessageCount);
  reply.subDevice = ReadBe16(bytes, kOffsetSubDevice);
  reply.commandClass = ReadByte(bytes, kOffsetCommandClass);
  reply.pid = ReadBe16(bytes, kOffsetPid);
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
