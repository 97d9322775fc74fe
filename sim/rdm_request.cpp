#include "sim/rdm_request.h"

#include <algorithm>

#include "rdm/line_buffer.h"
#include "rdm/rdm_constants.h"

namespace korval::sim {

using namespace rdm;

namespace {
std::uint16_t Word(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}
Uid UidAt(std::span<const std::uint8_t> b, std::size_t at) {
  return UidFromBytes(b.subspan(at).first<kUidBytes>());
}
}  // namespace

std::optional<RdmRequest> ParseRdmRequest(std::span<const std::uint8_t> frame) {
  auto parsed = ParseRdmFrame(frame);
  if (!parsed || !parsed->checksumOk) return std::nullopt;
  return parsed->request;
}

std::optional<RdmFrame> ParseRdmFrame(std::span<const std::uint8_t> frame) {
  if (frame.size() < kHeaderBytes + 2) return std::nullopt;
  if (frame[kOffsetStartCode] != kStartCode || frame[kOffsetSubStartCode] != kSubStartCode) {
    return std::nullopt;
  }
  const std::size_t length = frame[kOffsetMessageLength];
  if (length < kHeaderBytes || frame.size() < length + 2) return std::nullopt;
  if (frame[kOffsetPdl] != length - kHeaderBytes) return std::nullopt;
  RdmFrame parsed;
  parsed.checksumOk = RdmChecksum(frame.first(length)) == Word(frame, length);
  RdmRequest& r = parsed.request;
  r.destination = UidAt(frame, kOffsetDestination);
  r.source = UidAt(frame, kOffsetSource);
  r.transaction = frame[kOffsetTransaction];
  r.port = frame[kOffsetPortOrResponseType];
  r.messageCount = frame[kOffsetMessageCount];
  r.subDevice = Word(frame, kOffsetSubDevice);
  r.commandClass = frame[kOffsetCommandClass];
  r.pid = Word(frame, kOffsetPid);
  r.pdl = frame[kOffsetPdl];
  std::copy_n(frame.begin() + kOffsetParameterData, r.pdl, r.data.begin());
  return parsed;
}

std::vector<std::uint8_t> EncodeRdmRequest(const RdmRequest& request) {
  std::vector<std::uint8_t> f(kHeaderBytes);
  f[kOffsetStartCode] = kStartCode;
  f[kOffsetSubStartCode] = kSubStartCode;
  f[kOffsetMessageLength] = static_cast<std::uint8_t>(kHeaderBytes + request.pdl);
  const auto destination = UidToBytes(request.destination);
  const auto source = UidToBytes(request.source);
  std::copy(destination.begin(), destination.end(), f.begin() + kOffsetDestination);
  std::copy(source.begin(), source.end(), f.begin() + kOffsetSource);
  f[kOffsetTransaction] = request.transaction;
  f[kOffsetPortOrResponseType] = request.port;
  f[kOffsetMessageCount] = request.messageCount;
  f[kOffsetSubDevice] = static_cast<std::uint8_t>(request.subDevice >> 8);
  f[kOffsetSubDevice + 1] = static_cast<std::uint8_t>(request.subDevice);
  f[kOffsetCommandClass] = request.commandClass;
  f[kOffsetPid] = static_cast<std::uint8_t>(request.pid >> 8);
  f[kOffsetPid + 1] = static_cast<std::uint8_t>(request.pid);
  f[kOffsetPdl] = request.pdl;
  const auto data = request.Data();
  f.insert(f.end(), data.begin(), data.end());
  const std::uint16_t sum = RdmChecksum(f);
  f.push_back(static_cast<std::uint8_t>(sum >> 8));
  f.push_back(static_cast<std::uint8_t>(sum));
  return f;
}

}  // namespace korval::sim
