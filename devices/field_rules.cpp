#include "devices/field_rules.h"

#include <algorithm>

namespace korval {

int ClampDmxAddress(std::int64_t typed) {
  return static_cast<int>(
      std::clamp<std::int64_t>(typed, rdm::kMinDmxAddress, rdm::kMaxDmxAddress));
}

int ClampIncrement(std::int64_t typed) {
  return static_cast<int>(std::clamp<std::int64_t>(typed, 0, kLargestIncrement));
}

int ClampFixture(std::int64_t typed, int deviceCount) {
  if (deviceCount <= 0 || typed < 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(typed, deviceCount - 1));
}

int ClampTypedPosition(std::int64_t typed, int deviceCount) {
  const std::int64_t last = std::max(deviceCount, 0) - 1;
  // Below the lowest int the box can hold nothing is typed; StrToInt sees to it.
  return static_cast<int>(std::min(typed, last));
}

}  // namespace korval
