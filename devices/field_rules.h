// The ranges that the numeric boxes of the device list and the batch box keep
// themselves within as the operator types. Each rule takes the value as typed
// and returns the value the box must show; equal means the box is left alone.
#pragma once

#include <cstdint>

#include "rdm/rdm_constants.h"

namespace korval {

// From the lowest address to the highest in one step.
inline constexpr int kLargestIncrement = rdm::kMaxDmxAddress - rdm::kMinDmxAddress;

// DMX start address of the first fixture of a run: 1 to 512.
int ClampDmxAddress(std::int64_t typed);
// Slots between neighbouring fixtures: 0 to 511.
int ClampIncrement(std::int64_t typed);
// First or last fixture of a run: a list position, 0 when there are no devices.
int ClampFixture(std::int64_t typed, int deviceCount);
// A position typed into the serial-number box is only limited from above, by
// the last position (-1 with no devices); a negative one stays negative and
// moves nothing.
int ClampTypedPosition(std::int64_t typed, int deviceCount);

}  // namespace korval
