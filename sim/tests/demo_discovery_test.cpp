// End to end: the tool's own discovery (rdm/discovery.h) finds every fixture of
// the demo rig on the instant line, and the page's reads work on each.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "rdm/discovery.h"
#include "sim/rig.h"

namespace korval::sim {
namespace {

void ExpectDiscoveryFindsEveryFixtureOnce(Rig rig) {
  // Every wait of the search on the simulated clock.
  auto line = std::make_unique<VirtualLine>(std::move(rig), Timing::kInstant);
  RdmTransport transport(*line, nullptr);
  LineHandle h = 0;
  ASSERT_EQ(line->Open(0, &h), kLineOk);
  transport.SetHandle(h);
  DeviceTable table;
  Discovery discovery(transport, table);
  std::vector<std::string> listed;
  discovery.Run({.clearList = [&] { listed.clear(); },
                 .addListLine = [&](const std::string& l) { listed.push_back(l); },
                 .stopRequested = {}});

  std::vector<Uid> found(table.slots.begin() + 1, table.slots.begin() + 1 + table.count);
  std::vector<Uid> expected = line->ResponderUids();
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
  EXPECT_EQ(listed.size(), expected.size());
  EXPECT_FALSE(discovery.StoppedAtBound());
  for (Uid uid : expected) EXPECT_TRUE(line->FindResponder(uid)->Muted()) << UidText(uid);
}

TEST(DemoDiscoveryTest, DiscoveryFindsAndMutesEveryDemoFixture) {
  ExpectDiscoveryFindsEveryFixtureOnce(MakeDemoRig());
}

TEST(DemoDiscoveryTest, DiscoveryFindsEveryFixtureOfTheExampleRig) {
  RigLoadResult loaded = LoadRigFile(KORVAL_SIM_RIGS "/example.json");
  ASSERT_TRUE(loaded.rig) << loaded.error;
  ExpectDiscoveryFindsEveryFixtureOnce(std::move(*loaded.rig));
}

}  // namespace
}  // namespace korval::sim
