// The UIDs of the known devices. Slot 0 is discovery's scratch slot; slot p + 1
// holds the device at list position p, so the table has room for 33 devices.
#pragma once

#include <array>
#include <cstdint>

#include "rdm/uid.h"

namespace korval {

struct DeviceTable {
  static constexpr int kCapacity = 33;
  std::array<Uid, kCapacity + 1> slots{};
  std::uint8_t count = 0;
};

}  // namespace korval
