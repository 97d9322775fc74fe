#include "rdm/transport.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/bytes.h"
#include "rdm/rdm_constants.h"

namespace korval {

using namespace rdm;

namespace {

constexpr std::size_t kMaxDumpedData = 29;
constexpr std::size_t kStartCodeReads = kStartCodeSearch;
constexpr std::size_t kReplyReadBytes = kReplyBytes;

class HexLine {
 public:
  explicit HexLine(std::string_view prefix) : text_(prefix) {}
  void Byte(std::uint8_t b) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", b);
    text_ += hex;
  }
  void Blank() { text_ += ' '; }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

}  // namespace

std::string FormatRdmPacket(std::string_view prefix, std::span<const std::uint8_t> frame) {
  auto at = [&frame](std::size_t i) -> std::uint8_t { return i < frame.size() ? frame[i] : 0xFF; };
  auto run = [&at](HexLine& line, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i <= to; ++i) line.Byte(at(i));
  };
  HexLine line(prefix);
  line.Byte(at(kOffsetMessageLength));
  line.Blank();
  run(line, kOffsetDestination, kOffsetDestination + 5);
  line.Blank();
  run(line, kOffsetSource, kOffsetSource + 5);
  line.Blank();
  for (std::size_t i : {kOffsetTransaction, kOffsetPortOrResponseType, kOffsetMessageCount}) {
    line.Byte(at(i));
    line.Blank();
  }
  run(line, kOffsetSubDevice, kOffsetSubDevice + 1);
  line.Blank();
  line.Byte(at(kOffsetCommandClass));
  line.Blank();
  run(line, kOffsetPid, kOffsetPid + 1);
  line.Blank();
  line.Byte(at(kOffsetPdl));
  line.Blank();
  const std::size_t shown = std::min<std::size_t>(at(kOffsetPdl), kMaxDumpedData);
  for (std::size_t i = 0; i < shown; ++i) {
    line.Byte(at(kOffsetParameterData + i));
    line.Blank();
  }
  const std::size_t m = std::min<std::size_t>(at(kOffsetMessageLength), 53);
  run(line, m, m + 1);
  return line.Take();
}

int TransactionResult(const RdmReply& reply) {
  if (reply.IsAck()) return kAck;
  return reply.Answered() ? kNotAck : kNoReply;
}

RdmTransport::RdmTransport(DmxLine& line, LogSink log) : line_(line), log_(std::move(log)) {}

void RdmTransport::Log(const std::string& line) const {
  if (log_) log_(line);
}

std::vector<std::uint8_t> RdmTransport::NextFrame(const RdmRequest& request) {
  // The controller's port is 1: the tool drives one line.
  return EncodeRequestFrame(request, kControllerUid, ++transaction_, 1);
}

LineStatus RdmTransport::SendFrame(std::span<const std::uint8_t> bytes) {
  const LineHandle h = Handle();
  line_.Purge(h, kPurgeRx);
  line_.Purge(h, kPurgeTx);
  line_.SetBreakOn(h);
  line_.SetBreakOff(h);
  std::uint32_t written = 0;
  return line_.Write(h, bytes, &written);
}

RdmReply RdmTransport::Transact(const RdmRequest& request, bool awaitReply) {
  const std::vector<std::uint8_t> frame = NextFrame(request);
  const LineArbiter::Turn turn = arbiter_.TakeBetweenFrames(
      ExchangeBudget(frame.size(), timing_, awaitReply, request.commandClass));
  return ExchangeFrame(frame, awaitReply, timing_, log_, buffer_.reply);
}

RdmReply RdmTransport::ExchangeFrame(std::span<const std::uint8_t> frame, bool awaitReply,
                                     RdmTiming timing, const LogSink& log,
                                     std::span<std::uint8_t> r) {
  auto note = [&log](const std::string& line) {
    if (log) log(line);
  };
  const bool sent = SendFrame(frame) == kLineOk;
  if (!sent) note("message cannot be sent");
  note(FormatRdmPacket("Request__:", frame));
  RdmReply reply;
  if (!awaitReply) {
    if (!sent) reply.status = ReplyStatus::kLineFailure;
    return reply;
  }

  // Filled first: a byte that never arrives must not keep an earlier reply's value.
  std::fill(r.begin(), r.end(), 0xFF);
  std::size_t received = 0;
  const LineStatus read = ReadReply(r.first(1 + kReplyReadBytes), timing, &received);
  // Nothing came back: the reply was lost, and the line stays quiet longer.
  if (received == 0) line_.SpaceNextFrame(FrameSpacing(FrameEnd::kReplyLost));
  if (read != kLineOk) {
    note("no KORVAL widget found");
    reply.status = ReplyStatus::kLineFailure;
    return reply;
  }
  if (r[0] != kStartCode) {
    note("no response");
    if (!sent) reply.status = ReplyStatus::kLineFailure;
    return reply;
  }
  note(FormatRdmPacket("Response_:", r));
  reply = DecodeReplyFrame(r.first(1 + kReplyReadBytes));
  if (!sent && !reply.Answered()) reply.status = ReplyStatus::kLineFailure;
  return reply;
}

LineStatus RdmTransport::ReadReply(std::span<std::uint8_t> reply, RdmTiming timing,
                                   std::size_t* received) {
  const LineHandle h = Handle();
  std::uint32_t got = 0;
  if (timing == RdmTiming::kE120) {
    std::array<std::uint8_t, kStartCodeSearch + kReplyBytes> bytes{};
    const LineStatus status = line_.ReadFrame(h, bytes, &got, ReplyReadPolicy());
    *received = std::min<std::size_t>(got, bytes.size());
    LayOutReply(std::span(bytes).first(*received), reply);
    return status;
  }
  *received = 0;
  for (std::size_t i = 0; i < kStartCodeReads; ++i) {
    std::uint8_t b = 0;  // a read that delivers nothing leaves a non-matching byte
    got = 0;
    line_.Read(h, std::span(&b, 1), &got);
    *received += std::min<std::uint32_t>(got, 1);
    if (b == kStartCode) {
      reply[0] = kStartCode;
      break;
    }
  }
  got = 0;
  const LineStatus status = line_.Read(h, reply.subspan(1, kReplyReadBytes), &got);
  *received += std::min<std::size_t>(got, kReplyReadBytes);
  return status;
}

ForwardedReply RdmTransport::Forward(std::span<const std::uint8_t> frame, bool awaitReply,
                                     const LogSink& log) {
  // A reply region of its own: the window may still be reading its last reply
  // in the shared one.
  std::array<std::uint8_t, 1 + kReplyReadBytes> r{};
  const LineArbiter::Turn turn =
      arbiter_.TakeBetweenFrames(ExchangeBudget(frame.size(), RdmTiming::kE120, awaitReply));
  ForwardedReply forwarded{.reply = ExchangeFrame(frame, awaitReply, RdmTiming::kE120, log, r),
                           .frame = {}};
  if (forwarded.reply.Answered()) {
    // A checked reply ends with its checksum after message-length bytes.
    const std::size_t length =
        std::min<std::size_t>(r[kOffsetMessageLength] + std::size_t{2}, r.size());
    forwarded.frame.assign(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(length));
  }
  return forwarded;
}

int RdmTransport::SendRdmRequest(const RdmRequest& request, bool wait) {
  return TransactionResult(Transact(request, wait));
}

int RdmTransport::Request(Uid uid, std::uint8_t commandClass, std::uint16_t pid,
                          std::span<const std::uint8_t> data, bool wait) {
  return SendRdmRequest({.destination = uid,
                         .commandClass = commandClass,
                         .pid = pid,
                         .data = {data.begin(), data.end()}},
                        wait);
}

BranchAnswer RdmTransport::Branch(const RdmRequest& request, std::size_t answerBytes) {
  const std::vector<std::uint8_t> frame = NextFrame(request);
  const LineArbiter::Turn turn = arbiter_.TakeBetweenFrames(BranchBudget(frame.size(), timing_));
  Log(FormatRdmPacket("Request__:", frame));
  BranchAnswer answer;
  answer.sent = SendFrame(frame) == kLineOk;
  const auto bytes = std::span(buffer_.reply).first(std::min(answerBytes, buffer_.reply.size()));
  std::fill(bytes.begin(), bytes.end(), 0xFF);
  std::uint32_t got = 0;
  const LineStatus status = timing_ == RdmTiming::kE120
                                ? line_.ReadFrame(Handle(), bytes, &got, BranchReadPolicy())
                                : line_.Read(Handle(), bytes, &got);
  answer.read = status == kLineOk;
  answer.bytes = bytes;
  if (got == 0) line_.SpaceNextFrame(FrameSpacing(FrameEnd::kBranchUnanswered));
  return answer;
}

}  // namespace korval
