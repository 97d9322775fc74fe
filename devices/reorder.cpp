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
  auto first = table.slots.begin() + to + 1;
  auto moved = table.slots.begin() + from + 1;
  std::rotate(first, moved, moved + 1);
}

void SwapDevices(DeviceTable& table, int first, int second) {
  if (!IsPosition(first) || !IsPosition(second)) return;
  std::swap(table.slots[first + 1], table.slots[second + 1]);
}

}  // namespace korval
