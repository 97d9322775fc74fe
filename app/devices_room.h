// What the device list keeps beyond the window's shared state: the discovery
// procedure, whose search bounds and silent-branch count carry over from one
// discovery to the next.
#pragma once

#include "app/tform1.h"
#include "rdm/discovery.h"

namespace korval {

struct TForm1::DevicesRoom {
  DevicesRoom(RdmTransport& transport, DeviceTable& table) : discovery(transport, table) {}
  Discovery discovery;
};

}  // namespace korval
