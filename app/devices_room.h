// What the device list keeps beyond the window's shared state: the discovery
// procedure, whose search bounds and silent-branch count carry over from one
// discovery to the next, and the names-file entries the table does not hold.
#pragma once

#include <string>
#include <vector>

#include "app/tform1.h"
#include "params/fixture_runs.h"
#include "rdm/discovery.h"

namespace korval {

struct TForm1::DevicesRoom {
  DevicesRoom(RdmTransport& transport, DeviceTable& table) : discovery(transport, table) {}
  Discovery discovery;
  // The lines of "devnames.lst" from the first one the last load did not put
  // into the table (past the 33 it holds, or from a line that stopped the
  // load). A rewrite puts them back after the table's devices, as they were.
  std::vector<std::string> untabledEntries;
};

using params::WithheldSkipLine;

}  // namespace korval
