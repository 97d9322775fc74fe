#include "devices/reorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "devices/batch_plan.h"

namespace korval {
namespace {

using ::testing::ElementsAre;

// Slots 0..7: the scratch slot, then devices A..E, then two stale slots.
DeviceTable FiveDevices() {
  DeviceTable table;
  table.slots = {0x99, 0xA, 0xB, 0xC, 0xD, 0xE, 0x77, 0x88};
  table.count = 5;
  return table;
}

std::vector<Uid> FirstSlots(const DeviceTable& table) {
  return {table.slots.begin(), table.slots.begin() + 8};
}

TEST(Reorder, MovingUpShiftsTheDevicesInBetweenAndNothingElse) {
  DeviceTable table = FiveDevices();
  MoveDeviceUp(table, 3, 1);  // D to position 1
  EXPECT_THAT(FirstSlots(table), ElementsAre(0x99, 0xA, 0xD, 0xB, 0xC, 0xE, 0x77, 0x88));
  MoveDeviceUp(table, 4, 0);
  EXPECT_THAT(FirstSlots(table), ElementsAre(0x99, 0xE, 0xA, 0xD, 0xB, 0xC, 0x77, 0x88));
}

TEST(Reorder, MovesThatAreNotUpOrLeaveTheTableChangeNothing) {
  const DeviceTable before = FiveDevices();
  for (auto [from, to] : std::vector<std::pair<int, int>>{
           {1, 3}, {2, 2}, {3, -1}, {3, -100}, {33, 0}, {-1, 0}, {40, 2}}) {
    DeviceTable table = before;
    MoveDeviceUp(table, from, to);
    EXPECT_EQ(table.slots, before.slots) << from << " to " << to;
  }
  DeviceTable table = before;
  SwapDevices(table, 32, 33);
  SwapDevices(table, -1, 0);
  EXPECT_EQ(table.slots, before.slots);
}

TEST(Reorder, SwapExchangesTwoPositionsUpToTheLastSlot) {
  DeviceTable table = FiveDevices();
  SwapDevices(table, 3, 2);
  EXPECT_THAT(FirstSlots(table), ElementsAre(0x99, 0xA, 0xB, 0xD, 0xC, 0xE, 0x77, 0x88));
  table.slots[33] = 0x33;
  SwapDevices(table, 32, 0);
  EXPECT_EQ(table.slots[1], 0x33u);
  EXPECT_EQ(table.slots[33], 0xAu);
}

TEST(BatchPlan, OffsetsFollowTheRunAndBroadcastWhenTheIncrementIsZero) {
  const DeviceTable table = FiveDevices();
  auto offsets = [&](int inc, int s, int e) {
    std::vector<std::pair<Uid, int>> out;
    for (const auto& r : PlanBatchAddressing(table, inc, s, e)) out.emplace_back(r.uid, r.offset);
    return out;
  };
  using P = std::pair<Uid, int>;
  EXPECT_THAT(offsets(16, 0, 3), ElementsAre(P{0xA, 0}, P{0xB, 16}, P{0xC, 32}, P{0xD, 48}));
  EXPECT_THAT(offsets(10, 2, 2), ElementsAre(P{0xC, 0}));
  EXPECT_TRUE(offsets(10, 3, 1).empty());
  EXPECT_THAT(offsets(0, 3, 1), ElementsAre(P{kBroadcastUid, 0}));
  // Stale positions past the devices still use their slots, as the boxes name them.
  EXPECT_THAT(offsets(1, 5, 6), ElementsAre(P{0x77, 0}, P{0x88, 1}));
  // Nothing outside the table is read; offsets still count from S.
  const auto wide = PlanBatchAddressing(table, 2, -2, 40);
  ASSERT_EQ(wide.size(), 33u);
  EXPECT_EQ(wide.front().offset, 4);
  EXPECT_EQ(wide.back().offset, 68);
  EXPECT_EQ(PlanBatchAddressing(table, 1 << 30, 0, 32).back().offset,
            std::numeric_limits<int>::max());
}

}  // namespace
}  // namespace korval
