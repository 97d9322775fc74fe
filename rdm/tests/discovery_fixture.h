// Fixtures of the discovery tests: the search over a scripted line or over
// simulated responders in instant timing.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "rdm/discovery.h"
#include "sim/virtual_line.h"

namespace korval::testing {

// The line, the transport whose log lines are collected, the table and the
// list the hooks fill, for any line the test puts under the search.
template <typename Line>
struct DiscoveryFixture : ::testing::Test {
  template <typename... Args>
  explicit DiscoveryFixture(Args&&... args) : line(std::forward<Args>(args)...) {}
  Line line;
  std::vector<std::string> log;
  std::vector<std::string> list;
  RdmTransport transport{line, [this](const std::string& s) { log.push_back(s); }};
  DeviceTable table;
  Discovery discovery{transport, table};
  DiscoveryHooks hooks{.clearList = [this] { list.clear(); },
                       .addListLine = [this](const std::string& s) { list.push_back(s); },
                       .stopRequested = {}};

  long Count(const std::string& text) const { return std::count(log.begin(), log.end(), text); }
};

struct DiscoveryOnVirtualLine : DiscoveryFixture<sim::VirtualLine> {
  DiscoveryOnVirtualLine() : DiscoveryFixture(sim::Timing::kInstant) {
    LineHandle handle = 0;
    EXPECT_EQ(line.Open(0, &handle), kLineOk);
    transport.SetHandle(handle);
  }
  sim::Responder& Add(Uid uid, sim::ResponderFaults faults = {}) {
    sim::ResponderConfig config;
    config.uid = uid;
    config.faults = faults;
    return line.AddResponder(config);
  }
};

}  // namespace korval::testing
