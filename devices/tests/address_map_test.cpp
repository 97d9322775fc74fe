#include "devices/address_map.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace korval {
namespace {

int Covered(const Occupancy& counters) {
  return std::accumulate(counters.begin(), counters.end(), 0);
}

TEST(AddressMap, UnselectedDevicesCountOnceAndTheSelectedTwiceAtTheCursor) {
  const std::vector<std::uint16_t> starts{9, 11, 100};
  const std::vector<std::uint16_t> footprints{3, 4, 0};
  // Two overlapping devices: channels 11 and 12 (zero-based) covered twice.
  Occupancy none = CountOccupancy(starts, footprints, 3, -1, 0);
  EXPECT_EQ(none[8], 0);
  EXPECT_EQ(none[9], 1);
  EXPECT_EQ(none[11], 2);
  EXPECT_EQ(none[12], 1);
  EXPECT_EQ(none[14], 1);
  EXPECT_EQ(Covered(none), 7);  // footprint 0 covers nothing

  // The selected device is drawn at the cursor, not at its stored start.
  Occupancy selected = CountOccupancy(starts, footprints, 3, 0, 10);
  EXPECT_EQ(selected[9], 0);
  EXPECT_EQ(selected[10], 2);
  EXPECT_EQ(selected[11], 3);
  EXPECT_EQ(selected[12], 3);
  EXPECT_EQ(selected[13], 1);

  // Only the listed devices count.
  EXPECT_EQ(Covered(CountOccupancy(starts, footprints, 1, -1, 0)), 3);
  EXPECT_EQ(Covered(CountOccupancy(starts, footprints, 0, -1, 0)), 0);
}

TEST(AddressMap, RangesPastTheLastChannelAreCutOff) {
  struct Case {
    std::uint16_t start, footprint, cursor;
    int selected;
    int covered;
  };
  const std::vector<Case> cases{
      {65535, 16, 0, -1, 0},   // start address 0 read back as start 65535
      {500, 16, 0, -1, 12},    // runs over the end
      {511, 65535, 0, -1, 1},  // huge footprint
      {0, 600, 0, -1, 512},    // covers the whole map and more
      {0, 16, 512, 0, 0},      // selected device parked after the last channel
      {0, 16, 65535, 0, 0},    // cursor taken from a start of 65535
      {0, 16, 505, 0, 2 * 7},  // selected device partly off the map
  };
  for (const Case& c : cases) {
    const std::vector<std::uint16_t> starts{c.start};
    const std::vector<std::uint16_t> footprints{c.footprint};
    const Occupancy counters = CountOccupancy(starts, footprints, 1, c.selected, c.cursor);
    EXPECT_EQ(Covered(counters), c.covered) << c.start << " " << c.footprint << " " << c.cursor;
  }
  // Asking for more devices than the arrays hold counts only what they hold.
  const std::vector<std::uint16_t> one{0};
  EXPECT_EQ(Covered(CountOccupancy(one, one, 40, -1, 0)), 0);
}

TEST(AddressMap, ColoursByCount) {
  EXPECT_EQ(CellColour(0), (MapRgb{255, 255, 255}));
  EXPECT_EQ(CellColour(1), (MapRgb{0, 255, 0}));
  EXPECT_EQ(CellColour(2), (MapRgb{128, 0, 128}));
  EXPECT_EQ(CellColour(3), (MapRgb{255, 0, 0}));
  EXPECT_EQ(CellColour(34), (MapRgb{255, 0, 0}));
}

TEST(AddressMap, DragStopsWhereTheFootprintStillFits) {
  struct Case {
    int x, y;
    std::uint16_t footprint;
    std::optional<std::uint16_t> cursor;
  };
  const std::vector<Case> cases{
      {0, 0, 16, 0},
      {12, 12, 16, 0},
      {13, 0, 16, 1},
      {16 * 13, 15 * 13, 16, 496},  // channel 497 is the last start for 16 slots
      {17 * 13, 15 * 13, 16, std::nullopt},
      {31 * 13 + 5, 15 * 13 + 5, 1, 511},
      {31 * 13 + 5, 15 * 13 + 5, 2, std::nullopt},
      {416, 0, 16, 32},        // the column runs on into the next row
      {416, 15 * 13, 0, 512},  // footprint 0 may stand after the last channel
      {416, 15 * 13, 1, std::nullopt},
      {-5, -5, 16, 0},             // truncation toward zero
      {-13, 0, 16, std::nullopt},  // column -1 wraps to 65535 as unsigned
      {0, 100000, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DragCursor(c.x, c.y, c.footprint), c.cursor) << c.x << "," << c.y;
  }
  EXPECT_EQ(ChannelAt(-13, 0), 65535);
}

}  // namespace
}  // namespace korval
