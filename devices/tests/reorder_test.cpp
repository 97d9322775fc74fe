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

TEST(Reorder, AWithheldEntryMovesWithItsPositionAndDiscoveryDropsIt) {
  DeviceTable table = FiveDevices();
  PlaceUid(table, 1, 0x4B52'FFFF'FFFFULL);  // B's position holds a broadcast UID
  EXPECT_EQ(table.slots[2], 0u);
  EXPECT_TRUE(IsWithheld(table, 1));
  EXPECT_EQ(ListedUid(table, 1), 0x4B52'FFFF'FFFFULL);
  EXPECT_EQ(ListedUid(table, 2), 0xCu);
  MoveDeviceUp(table, 1, 0);
  EXPECT_TRUE(IsWithheld(table, 0));
  EXPECT_FALSE(IsWithheld(table, 1));
  EXPECT_EQ(ListedUid(table, 1), 0xAu);
  SwapDevices(table, 0, 3);
  EXPECT_TRUE(IsWithheld(table, 3));
  EXPECT_EQ(ListedUid(table, 3), 0x4B52'FFFF'FFFFULL);
  EXPECT_THAT(FirstSlots(table), ElementsAre(0x99, 0xD, 0xA, 0xC, 0, 0xE, 0x77, 0x88));

  DropWithheldDevices(table);
  EXPECT_EQ(table.count, 4);
  EXPECT_THAT(FirstSlots(table).at(1), 0xDu);
  EXPECT_THAT(std::vector<Uid>(table.slots.begin() + 1, table.slots.begin() + 5),
              ElementsAre(0xD, 0xA, 0xC, 0xE));
  for (int p = 0; p < DeviceTable::kCapacity; ++p) EXPECT_FALSE(IsWithheld(table, p)) << p;

  // Which UIDs are withheld: all 32 device-ID bits set.
  for (const auto& [uid, broadcast] :
       std::vector<std::pair<Uid, bool>>{{0xFFFF'FFFF'FFFFULL, true},
                                         {0x4B52'FFFF'FFFFULL, true},
                                         {0x0000'FFFF'FFFFULL, true},
                                         {0xFFFF'FFFF'FFFEULL, false},
                                         {0x4B52'7FFF'FFFFULL, false},
                                         {0, false}}) {
    EXPECT_EQ(IsBroadcastUid(uid), broadcast) << std::hex << uid;
  }
}

TEST(BatchPlan, AWithheldPositionIsMarkedSoThatNothingIsSentToIt) {
  DeviceTable table = FiveDevices();
  PlaceUid(table, 2, 0xFFFF'FFFF'FFFFULL);
  const auto plan = PlanBatchAddressing(table, 10, 1, 3);
  ASSERT_EQ(plan.size(), 3u);
  EXPECT_FALSE(plan[0].withheld);
  EXPECT_TRUE(plan[1].withheld);
  EXPECT_EQ(plan[1].fixture, 2);
  EXPECT_EQ(plan[1].uid, 0u);
  EXPECT_EQ(plan[2].offset, 20);
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
