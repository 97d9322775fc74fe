#include "devices/reorder.h"

#include <algorithm>
#include <utility>

namespace korval {

namespace {
bool IsPosition(int position) {
  return position >= 0 && position < DeviceTable::kCapacity;
}
}  // namespace

void MoveDeviceUp(DeviceTable& table, int from, int to) {
  if (!IsPosition(from) || !IsPosition(to) || to >= from) return;
  // A withheld entry moves with its position like any other.
  for (auto* column : {&table.slots, &table.withheld}) {
    auto first = column->begin() + to + 1;
    auto moved = column->begin() + from + 1;
    std::rotate(first, moved, moved + 1);
  }
}

void SwapDevices(DeviceTable& table, int first, int second) {
  if (!IsPosition(first) || !IsPosition(second)) return;
  std::swap(table.slots[first + 1], table.slots[second + 1]);
  std::swap(table.withheld[first + 1], table.withheld[second + 1]);
}

void DropWithheldDevices(DeviceTable& table) {
  int kept = 0;
  const int count = std::min<int>(table.count, DeviceTable::kCapacity);
  for (int p = 0; p < count; ++p) {
    if (IsWithheld(table, p)) continue;
    table.slots[kept + 1] = table.slots[p + 1];
    ++kept;
  }
  table.count = static_cast<std::uint8_t>(kept);
  table.withheld.fill(0);
}

}  // namespace korval
