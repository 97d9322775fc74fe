#include "devices/batch_plan.h"

#include <algorithm>
#include <limits>

namespace korval {

std::vector<StartAddressRequest> PlanBatchAddressing(const DeviceTable& table, int increment,
                                                     int startFixture, int endFixture) {
  if (increment == 0) return {{kBroadcastUid, 0}};
  std::vector<StartAddressRequest> plan;
  const int first = std::max(startFixture, 0);
  const int last = std::min(endFixture, DeviceTable::kCapacity - 1);
  for (int k = first; k <= last; ++k) {
    // Computed wide and held to int: the address is capped at 512 further on,
    // so a saturated offset asks for the same address an exact one would.
    const std::int64_t offset = (static_cast<std::int64_t>(k) - startFixture) * increment;
    const auto held = std::clamp<std::int64_t>(offset, std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max());
    plan.push_back({table.slots[k + 1], static_cast<int>(held), k, IsWithheld(table, k)});
  }
  return plan;
}

}  // namespace korval
