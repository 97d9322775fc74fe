#include "devices/field_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace korval {
namespace {

constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kHighest = std::numeric_limits<std::int32_t>::max();

TEST(FieldRules, AddressAndIncrementStayInTheirRanges) {
  struct Case {
    std::int64_t typed;
    int address;
    int increment;
  };
  for (const Case& c :
       {Case{kLowest, 1, 0}, Case{-1, 1, 0}, Case{0, 1, 0}, Case{1, 1, 1}, Case{17, 17, 17},
        Case{511, 511, 511}, Case{512, 512, 511}, Case{600, 512, 511}, Case{kHighest, 512, 511}}) {
    EXPECT_EQ(ClampDmxAddress(c.typed), c.address) << c.typed;
    EXPECT_EQ(ClampIncrement(c.typed), c.increment) << c.typed;
  }
}

TEST(FieldRules, FixturesStayOnTheListAndAreZeroWithoutDevices) {
  struct Case {
    std::int64_t typed;
    int devices;
    int fixture;
    int position;
  };
  for (const Case& c :
       {Case{9, 5, 4, 4}, Case{4, 5, 4, 4}, Case{2, 5, 2, 2}, Case{-3, 5, 0, -3}, Case{7, 0, 0, -1},
        Case{-7, 0, 0, -7}, Case{kHighest, 33, 32, 32}, Case{kLowest, 33, 0, kLowest}}) {
    EXPECT_EQ(ClampFixture(c.typed, c.devices), c.fixture) << c.typed << " of " << c.devices;
    EXPECT_EQ(ClampTypedPosition(c.typed, c.devices), c.position) << c.typed << " of " << c.devices;
  }
}

}  // namespace
}  // namespace korval
