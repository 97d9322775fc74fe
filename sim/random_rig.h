// Responders with random UIDs, for tests and benchmarks of discovery: distinct,
// never a broadcast address (manufacturer 0001..7FFF, device below FFFFFFFF),
// in random order.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "rdm/uid.h"

namespace korval::sim {

std::vector<Uid> RandomUids(std::mt19937_64& random, int count);
inline std::vector<Uid> RandomUids(std::uint64_t seed, int count) {
  std::mt19937_64 random(seed);
  return RandomUids(random, count);
}

}  // namespace korval::sim
