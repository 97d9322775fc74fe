#include "artnet/monitor_grid.h"

namespace korval::artnet {

std::string ColumnHeaderText(int column) {
  return std::to_string(column);
}

std::string RowHeaderText(int row) {
  return std::to_string(kGridDataColumns * (row - 1));
}

std::array<std::string, kDmxSlots> MonitorCellTexts(const DmxSlots& dmxOutput) {
  std::array<std::string, kDmxSlots> texts;
  for (std::size_t slot = 0; slot < kDmxSlots; ++slot) {
    texts[slot] = std::to_string(dmxOutput[slot].load(std::memory_order_relaxed));
  }
  return texts;
}

}  // namespace korval::artnet
