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

std::vector<Uid> SequentialUids(Uid first, int count) {
  std::vector<Uid> out;
  out.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) out.push_back(first + static_cast<Uid>(i));
  return out;
}

std::vector<Uid> OneManufacturerUids(std::mt19937_64& random, std::uint16_t manufacturer,
                                     int count) {
  std::set<Uid> uids;
  while (static_cast<int>(uids.size()) < count) {
    uids.insert(Uid{manufacturer} << 32 | random() % 0xFFFF'FFFFULL);
  }
  std::vector<Uid> out(uids.begin(), uids.end());
  std::shuffle(out.begin(), out.end(), random);
  return out;
}

std::vector<Uid> OneBitApartUids(std::mt19937_64& random, int count) {
  // Bits 0..31 of the device ID: the base keeps bit 31 clear, so no flip makes
  // the device ID FFFFFFFF.
  const Uid base = (1 + random() % 0x7FFF) << 32 | random() % 0x7FFF'FFFFULL;
  std::vector<Uid> out;
  for (int bit = 0; bit < count && bit < 32; ++bit) out.push_back(base ^ (Uid{1} << bit));
  if (count > 32) out.push_back(base);
  std::shuffle(out.begin(), out.end(), random);
  return out;
}

}  // namespace korval::sim
