#include "rdm/transport.h"

#include <algorithm>
#include <cstdio>

#include "base/bytes.h"

namespace korval {

using namespace rdm;

namespace {

constexpr std::size_t kMaxDumpedData = 29;
constexpr std::size_t kStartCodeReads = 5;
constexpr std::size_t kReplyReadBytes = 200;

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

RdmTransport::RdmTransport(DmxLine& line, LogSink log) : line_(line), log_(std::move(log)) {}

void RdmTransport::Log(const std::string& line) const {
  if (log_) log_(line);
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

int RdmTransport::SendRdmRequest(std::uint32_t uidLow, std::uint32_t uidHigh, int wait) {
  auto& f = frame_.bytes;
  ++f[kOffsetTransaction];
  const std::size_t length = kHeaderBytes + f[kOffsetPdl];
  f[kOffsetMessageLength] = static_cast<std::uint8_t>(length);
  const auto destination = UidToBytes(MakeUid(uidLow, uidHigh));
  std::copy(destination.begin(), destination.end(), f.begin() + kOffsetDestination);

  const std::uint16_t sum = RdmChecksum(std::span(f).first(length));
  WriteBe16(f, length, sum);

  if (SendFrame(std::span(f).first(length + 2)) != kLineOk) Log("message cannot be sent");
  LogRdmPacket(1);
  if (wait == 0) return kNoReply;

  auto& r = buffer_.reply;
  r.fill(0xFF);
  const LineHandle h = Handle();
  for (std::size_t i = 0; i < kStartCodeReads; ++i) {
    std::uint8_t b = 0;  // a read that delivers nothing leaves a non-matching byte
    std::uint32_t got = 0;
    line_.Read(h, std::span(&b, 1), &got);
    if (b == kStartCode) {
      r[0] = kStartCode;
      break;
    }
  }
  std::uint32_t got = 0;
  if (line_.Read(h, std::span(r).subspan(1, kReplyReadBytes), &got) != kLineOk) {
    Log("no KORVAL widget found");
    return kNoReply;
  }
  if (r[0] != kStartCode) {
    Log("no response");
    return kNoReply;
  }
  LogRdmPacket(0);

  // Message length and PDL are at most 255 each, so both indices stay in 0..511.
  const std::uint16_t replySum = RdmChecksum(std::span(r).first(r[kOffsetMessageLength]));
  const std::size_t at = kOffsetParameterData + r[kOffsetPdl];
  if (ReadBe16(r, at) == replySum) {
    return r[kOffsetPortOrResponseType] == kResponseAck ? kAck : kNotAck;
  }
  return kNoReply;
}

int RdmTransport::Request(Uid uid, std::uint8_t commandClass, std::uint16_t pid,
                          std::span<const std::uint8_t> data, bool wait) {
  frame_.SetCommand(commandClass, pid, data);
  return SendRdmRequest(UidLow(uid), UidHigh(uid), wait ? 1 : 0);
}

void RdmTransport::LogRdmPacket(int request) const {
  if (request != 0) {
    Log(FormatRdmPacket("Request__:", frame_.bytes));
  } else {
    Log(FormatRdmPacket("Response_:", buffer_.reply));
  }
}

std::span<const std::uint8_t> RdmTransport::ReplyData() const {
  return std::span(buffer_.reply).subspan(kOffsetParameterData, ReplyPdl());
}

}  // namespace korval
