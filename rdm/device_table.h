// The UIDs of the known devices. Slot 0 is discovery's scratch slot; slot p + 1
// holds the device at list position p, so the table has room for 33 devices.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "rdm/uid.h"

namespace korval {

struct DeviceTable {
  static constexpr int kCapacity = 33;
  std::array<Uid, kCapacity + 1> slots{};
  std::uint8_t count = 0;
  // A file may name a broadcast UID. Such an entry keeps its list position, but
  // its slot holds 0 and the UID is kept here instead, so that no operation
  // that takes a slot ever addresses every device; 0 for an ordinary slot.
  std::array<Uid, kCapacity + 1> withheld{};
};

// The device list's line for a position: "0 - ID:4B522C1F0A37" (the key as
// the names file holds it, a UID as UidText12 writes it).
inline std::string DeviceListLine(int position, std::string_view key) {
  return std::to_string(position) + " - ID:" + std::string(key);
}

inline bool IsPositionInTable(int position) {
  return position >= 0 && position < DeviceTable::kCapacity;
}

// In `withheld`: the entry is a names-file line whose key is no UID. It keeps
// its list position, but no UID was read for it, so its slot holds none.
inline constexpr Uid kUnreadableEntry = ~Uid{0};

// True when the entry at the position is listed but must not be addressed.
inline bool IsWithheld(const DeviceTable& table, int position) {
  return IsPositionInTable(position) && table.withheld[static_cast<std::size_t>(position) + 1] != 0;
}

inline bool IsUnreadable(const DeviceTable& table, int position) {
  return IsPositionInTable(position) &&
         table.withheld[static_cast<std::size_t>(position) + 1] == kUnreadableEntry;
}

// The UID the list shows for a position, withheld or not; 0 for an unreadable one.
inline Uid ListedUid(const DeviceTable& table, int position) {
  if (!IsPositionInTable(position) || IsUnreadable(table, position)) return 0;
  const auto slot = static_cast<std::size_t>(position) + 1;
  return table.withheld[slot] != 0 ? table.withheld[slot] : table.slots[slot];
}

// Marks the position of a line that could not be read: listed, never addressed.
inline void PlaceUnreadable(DeviceTable& table, int position) {
  if (!IsPositionInTable(position)) return;
  const auto slot = static_cast<std::size_t>(position) + 1;
  table.slots[slot] = 0;
  table.withheld[slot] = kUnreadableEntry;
}

// Puts a UID read from a file at a position: a broadcast UID is withheld.
inline void PlaceUid(DeviceTable& table, int position, Uid uid) {
  if (!IsPositionInTable(position)) return;
  const auto slot = static_cast<std::size_t>(position) + 1;
  const bool broadcast = IsBroadcastUid(uid);
  table.slots[slot] = broadcast ? 0 : uid;
  table.withheld[slot] = broadcast ? uid : 0;
}

}  // namespace korval
