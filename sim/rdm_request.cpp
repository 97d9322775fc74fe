#include "sim/rdm_request.h"

#include <algorithm>

#include "base/bytes.h"
#include "rdm/rdm_constants.h"
#include "rdm/rdm_message.h"

namespace korval::sim {

using namespace rdm;

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
  parsed.checksumOk = RdmChecksum(frame.first(length)) == ReadBe16(frame, length);
  RdmRequest& r = parsed.request;
  r.destination = ReadBe48(frame, kOffsetDestination);
  r.source = ReadBe48(frame, kOffsetSource);
  r.transaction = frame[kOffsetTransaction];
  r.port = frame[kOffsetPortOrResponseType];
  r.messageCount = frame[kOffsetMessageCount];
  r.subDevice = ReadBe16(frame, kOffsetSubDevice);
  r.commandClass = frame[kOffsetCommandClass];
  r.pid = ReadBe16(frame, kOffsetPid);
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
  WriteBe16(f, kOffsetSubDevice, request.subDevice);
  f[kOffsetCommandClass] = request.commandClass;
  WriteBe16(f, kOffsetPid, request.pid);
  f[kOffsetPdl] = request.pdl;
  const auto data = request.Data();
  f.insert(f.end(), data.begin(), data.end());
  const std::uint16_t sum = RdmChecksum(f);
  AppendBe16(f, sum);
  return f;
}

}  // namespace korval::sim
