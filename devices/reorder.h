// Moves of devices within the device table. Positions count from 0 and live in
// slot position + 1; a move that names a position outside the table's 33 does
// nothing, so no slot past the last one is ever read or written.
#pragma once

#include "rdm/device_table.h"

namespace korval {

// The device at `from` moves up to `to` (to < from); the devices in between
// each move one position down. Moving down this way is not a table change:
// anything but 0 <= to < from leaves the table as it is.
void MoveDeviceUp(DeviceTable& table, int from, int to);
// Exchanges the devices at two positions.
void SwapDevices(DeviceTable& table, int first, int second);
// Closes up the table over its withheld entries (those keep their lines in the
// names list, not their positions) and clears every mark.
void DropWithheldDevices(DeviceTable& table);

}  // namespace korval
