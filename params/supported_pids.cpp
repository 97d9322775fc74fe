#include "params/supported_pids.h"

#include <algorithm>

#include "base/bytes.h"
#include "rdm/rdm_constants.h"

namespace korval::params {

bool IsAlwaysSupported(std::uint16_t pid) {
  return pid == rdm::kPidIdentifyDevice || pid == rdm::kPidDeviceInfo ||
         pid == rdm::kPidSoftwareVersionLabel || pid == rdm::kPidDmxStartAddress;
}

void StoreSupportedPids(PidList& list, std::span<const std::uint8_t> data) {
  list.fill(0);
  const std::size_t pairs = std::min(data.size() / 2, kMaxStoredPids);
  for (std::size_t i = 0; i < pairs; ++i) list[i] = ReadBe16(data, 2 * i);
}

bool IsPidSupported(const PidList& list, std::uint16_t pid) {
  // An entry of 0 is an empty place, not PID 0.
  if (pid == 0) return false;
  return IsAlwaysSupported(pid) || std::find(list.begin(), list.end(), pid) != list.end();
}

}  // namespace korval::params
