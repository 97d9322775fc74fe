// The address map: 512 DMX channels shown as 32 columns by 16 rows of 13-pixel
// cells, each coloured by how many device footprints cover it. Unselected
// devices count 1 per channel, the selected one (drawn at the cursor) counts 2,
// so that it stands out in purple alone and in red where it overlaps.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "rdm/rdm_constants.h"

namespace korval {

inline constexpr int kMapChannels = rdm::kMaxDmxAddress;  // a cell per start address
inline constexpr int kMapColumns = 32;
inline constexpr int kMapRows = 16;
inline constexpr int kMapCellPixels = 13;

using Occupancy = std::array<std::uint8_t, kMapChannels>;

struct MapRgb {
  std::uint8_t red, green, blue;
  bool operator==(const MapRgb&) const = default;
};

// Counts the first deviceCount entries of starts and footprints (bounded by the
// shorter span). The device at selectedPosition is counted at cursor instead of
// its own start; -1 selects none. Ranges running past channel 512 are cut off
// there: no counter outside the map is ever touched.
Occupancy CountOccupancy(std::span<const std::uint16_t> starts,
                         std::span<const std::uint16_t> footprints, int deviceCount,
                         int selectedPosition, std::uint16_t cursor);

// White, green, purple, red for 0, 1, 2 and 3 or more.
MapRgb CellColour(std::uint8_t count);

// The channel under the pointer at (x, y) in the map's pixels: row y div 13,
// column x div 13, truncated toward zero, taken as an unsigned 16-bit number.
// The column is not bounded, so a column past 31 runs into the next row.
std::uint16_t ChannelAt(int x, int y);

// Where a drag to (x, y) puts the cursor of a device with this footprint, or
// nothing when the device would run past channel 512 there.
std::optional<std::uint16_t> DragCursor(int x, int y, std::uint16_t footprint);

}  // namespace korval
