// The shared line buffer.
//
// LineBuffer keeps the index plan of the original single buffer: indices 0..511
// receive RDM replies (window thread only), 512..1023 are the DMX output slots
// and 1025..1536 the Art-Net input slots. The two DMX regions are crossed by
// three threads, so their bytes are atomic (relaxed: a frame may mix two
// packets, but no byte is ever torn or raced).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "rdm/rdm_constants.h"

namespace korval {

inline constexpr std::size_t kDmxSlots = rdm::kMaxDmxAddress;
// A DMX512 frame on the line: the null start code, then the slots.
inline constexpr std::size_t kDmxFrameBytes = 1 + kDmxSlots;
using DmxSlots = std::array<std::atomic<std::uint8_t>, kDmxSlots>;

void StoreSlots(DmxSlots& to, std::span<const std::uint8_t> from);
void CopySlots(const DmxSlots& from, DmxSlots& to);
std::array<std::uint8_t, kDmxSlots> LoadSlots(const DmxSlots& from);

struct LineBuffer {
  static constexpr std::size_t kReplyBytes = 512;
  static constexpr std::size_t kDmxOutputIndex = 512;
  static constexpr std::size_t kArtNetInputIndex = 1025;

  std::array<std::uint8_t, kReplyBytes> reply{};  // indices 0..511
  DmxSlots dmxOutput{};                           // indices 512..1023
  DmxSlots artNetInput{};                         // indices 1025..1536
};

}  // namespace korval
