// The monitor grid of the Art-Net page, without the widget: 16 columns by 32
// rows of data cells behind one header row and one header column. Cell
// (column c, row r), both from 1, shows slot 16 * (r - 1) + (c - 1); the row
// header plus the column header is the slot's DMX channel.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "rdm/line_buffer.h"

namespace korval::artnet {

inline constexpr int kGridDataColumns = 16;
inline constexpr int kGridDataRows = 32;

struct GridCell {
  int column;
  int row;
};

constexpr GridCell CellOfSlot(std::size_t slot) {
  return {static_cast<int>(slot % kGridDataColumns) + 1,
          static_cast<int>(slot / kGridDataColumns) + 1};
}

// "1".."16" across the top; "0", "16", ... "496" down the left.
std::string ColumnHeaderText(int column);
std::string RowHeaderText(int row);

// The 512 cell texts in slot order: plain decimal, no padding.
std::array<std::string, kDmxSlots> MonitorCellTexts(const DmxSlots& dmxOutput);

}  // namespace korval::artnet
