// The requests of one batch addressing run: fixtures S to E get the start
// addresses A, A + I, A + 2I... as offsets from A; with an increment of 0 one
// broadcast gives every responder A. The caller sends them in order.
#pragma once

#include <cstdint>
#include <vector>

#include "rdm/device_table.h"
#include "rdm/uid.h"

namespace korval {

struct StartAddressRequest {
  Uid uid = 0;
  int offset = 0;    // added to A by the set-start-address operation
  int fixture = -1;  // the list position; -1 for the broadcast of increment 0
  // A withheld table entry (DeviceTable::withheld): listed, never sent to.
  bool withheld = false;
};

// Takes S, E and I as the boxes hold them. Positions outside the table are
// skipped rather than read, so stale or hand-made values never reach past it.
std::vector<StartAddressRequest> PlanBatchAddressing(const DeviceTable& table, int increment,
                                                     int startFixture, int endFixture);

}  // namespace korval
