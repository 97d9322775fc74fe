// Discovery on simulated responders in instant timing: the line, the transport
// whose log lines are collected, the device table and the list the hooks fill.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rdm/discovery.h"
#include "sim/virtual_line.h"

namespace korval::testing {

struct DiscoveryOnVirtualLine : ::testing::Test {
  sim::VirtualLine line{sim::Timing::kInstant};
  std::vector<std::string> log;
  std::vector<std::string> list;
  RdmTransport transport{line, [this](const std::string& s) { log.push_back(s); }};
  DeviceTable table;
  Discovery discovery{transport, table};
  DiscoveryHooks hooks{.clearList = [this] { list.clear(); },
                       .addListLine = [this](const std::string& s) { list.push_back(s); },
                       .stopRequested = {}};

  DiscoveryOnVirtualLine() {
    transport.Frame().FillFixedFields();
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
  long Count(const std::string& text) const { return std::count(log.begin(), log.end(), text); }
};

}  // namespace korval::testing
