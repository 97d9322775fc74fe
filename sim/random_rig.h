// UID sets for tests and benchmarks of discovery: distinct, never a broadcast
// address (manufacturer 0001..7FFF, device below FFFFFFFF), in random order.
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

// The sets that are hard for a binary search, because their UIDs share every
// high bit: serial numbers in a row from first, random device IDs of one
// manufacturer, and a random UID with each of its lowest count bits flipped in
// turn (every two differ in two bits, each in one bit from the base).
std::vector<Uid> SequentialUids(Uid first, int count);
std::vector<Uid> OneManufacturerUids(std::mt19937_64& random, std::uint16_t manufacturer,
                                     int count);
std::vector<Uid> OneBitApartUids(std::mt19937_64& random, int count);

}  // namespace korval::sim
