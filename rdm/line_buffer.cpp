#include "rdm/line_buffer.h"

#include <algorithm>

#include "base/bytes.h"
#include "rdm/uid.h"

namespace korval {

void StoreSlots(DmxSlots& to, std::span<const std::uint8_t> from) {
  const std::size_t n = std::min(from.size(), to.size());
  for (std::size_t i = 0; i < n; ++i) to[i].store(from[i], std::memory_order_relaxed);
}

void CopySlots(const DmxSlots& from, DmxSlots& to) {
  for (std::size_t i = 0; i < kDmxSlots; ++i) {
    to[i].store(from[i].load(std::memory_order_relaxed), std::memory_order_relaxed);
  }
}

std::array<std::uint8_t, kDmxSlots> LoadSlots(const DmxSlots& from) {
  std::array<std::uint8_t, kDmxSlots> out{};
  for (std::size_t i = 0; i < kDmxSlots; ++i) out[i] = from[i].load(std::memory_order_relaxed);
  return out;
}

void RequestFrame::FillFixedFields() {
  bytes[rdm::kOffsetStartCode] = rdm::kStartCode;
  bytes[rdm::kOffsetSubStartCode] = rdm::kSubStartCode;
  bytes[rdm::kOffsetTransaction] = 0;
  bytes[rdm::kOffsetPortOrResponseType] = 1;
  bytes[rdm::kOffsetMessageCount] = 0;
  bytes[rdm::kOffsetSubDevice] = 0;
  bytes[rdm::kOffsetSubDevice + 1] = 0;
  const auto source = UidToBytes(kControllerUid);
  std::copy(source.begin(), source.end(), bytes.begin() + rdm::kOffsetSource);
}

void RequestFrame::SetCommand(std::uint8_t commandClass, std::uint16_t pid,
                              std::span<const std::uint8_t> data) {
  // PDL is one byte on the wire; 24 + 255 + 2 bytes always fit the frame.
  const std::size_t pdl = std::min<std::size_t>(data.size(), 255);
  bytes[rdm::kOffsetCommandClass] = commandClass;
  WriteBe16(bytes, rdm::kOffsetPid, pid);
  bytes[rdm::kOffsetPdl] = static_cast<std::uint8_t>(pdl);
  std::copy_n(data.begin(), pdl, bytes.begin() + rdm::kOffsetParameterData);
}

std::uint16_t RequestFrame::Pid() const {
  return ReadBe16(bytes, rdm::kOffsetPid);
}

std::uint16_t RdmChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint16_t>(sum);
}

}  // namespace korval
