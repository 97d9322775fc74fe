// The supported-parameter gate: one list for the whole tool, rebuilt from the
// SUPPORTED_PARAMETERS reply of the device read last.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace korval::params {

// Ten entries; 0 stands for no PID. Only nine are ever filled from a reply.
using PidList = std::array<std::uint16_t, 10>;
inline constexpr std::size_t kMaxStoredPids = 9;

// IDENTIFY_DEVICE, DEVICE_INFO, SOFTWARE_VERSION_LABEL and DMX_START_ADDRESS.
bool IsAlwaysSupported(std::uint16_t pid);
// Clears the list, then stores the reply's PIDs (high byte first) in reply
// order, at most nine; a trailing odd byte is not half a PID and is dropped.
void StoreSupportedPids(PidList& list, std::span<const std::uint8_t> data);
bool IsPidSupported(const PidList& list, std::uint16_t pid);

}  // namespace korval::params
