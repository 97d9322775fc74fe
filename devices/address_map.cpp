#include "devices/address_map.h"

#include <algorithm>

namespace korval {

namespace {

void Cover(Occupancy& counters, std::uint32_t start, std::uint32_t footprint, int weight) {
  const std::uint32_t end = std::min<std::uint32_t>(start + footprint, kMapChannels);
  for (std::uint32_t channel = start; channel < end; ++channel) {
    // 33 devices at most, the selected one counting 2: a byte never overflows,
    // but the counter saturates rather than wrap to white should that change.
    counters[channel] = static_cast<std::uint8_t>(std::min(counters[channel] + weight, 255));
  }
}

}  // namespace

Occupancy CountOccupancy(std::span<const std::uint16_t> starts,
                         std::span<const std::uint16_t> footprints, int deviceCount,
                         int selectedPosition, std::uint16_t cursor) {
  Occupancy counters{};
  const auto limit = static_cast<int>(std::min(starts.size(), footprints.size()));
  const int count = std::clamp(deviceCount, 0, limit);
  for (int k = 0; k < count; ++k) {
    const auto position = static_cast<std::size_t>(k);
    if (k == selectedPosition) {
      Cover(counters, cursor, footprints[position], 2);
    } else {
      Cover(counters, starts[position], footprints[position], 1);
    }
  }
  return counters;
}

MapRgb CellColour(std::uint8_t count) {
  switch (count) {
    case 0:
      return {255, 255, 255};
    case 1:
      return {0, 255, 0};
    case 2:
      return {128, 0, 128};
    default:
      return {255, 0, 0};
  }
}

std::uint16_t ChannelAt(int x, int y) {
  // C++ division truncates toward zero, as the map's formula wants.
  // Wide arithmetic: a pointer far outside the box must not overflow.
  const std::int64_t channel =
      static_cast<std::int64_t>(y / kMapCellPixels) * kMapColumns + x / kMapCellPixels;
  return static_cast<std::uint16_t>(channel);
}

std::optional<std::uint16_t> DragCursor(int x, int y, std::uint16_t footprint) {
  const std::uint16_t channel = ChannelAt(x, y);
  if (static_cast<int>(channel) + footprint > kMapChannels) return std::nullopt;
  return channel;
}

}  // namespace korval
