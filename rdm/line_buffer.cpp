#include "rdm/line_buffer.h"

#include <algorithm>

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

}  // namespace korval
