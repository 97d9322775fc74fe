#include "sim/random_rig.h"

#include <algorithm>
#include <set>

namespace korval::sim {

std::vector<Uid> RandomUids(std::mt19937_64& random, int count) {
  std::set<Uid> uids;
  while (static_cast<int>(uids.size()) < count) {
    const Uid manufacturer = 1 + random() % 0x7FFF;
    const Uid device = random() % 0xFFFF'FFFFULL;
    uids.insert(manufacturer << 32 | device);
  }
  std::vector<Uid> out(uids.begin(), uids.end());
  std::shuffle(out.begin(), out.end(), random);
  return out;
}

}  // namespace korval::sim
