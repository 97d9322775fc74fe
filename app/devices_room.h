// What the device list keeps beyond the window's shared state: the discovery
// procedure, whose search bounds and silent-branch count carry over from one
// discovery to the next, and the names file kept with the table.
#pragma once

#include <string>
#include <vector>

#include "app/tform1.h"
#include "devices/device_names.h"
#include "params/fixture_runs.h"
#include "rdm/discovery.h"

namespace korval {

struct TForm1::DevicesRoom {
  explicit DevicesRoom(TForm1& form)
      : discovery(form.transport, form.deviceTable),
        names(form.namesList, form.deviceTable,
              [&form](const std::string& line) { form.Log(line); }) {}
  Discovery discovery;
  DeviceNames names;
};

using params::WithheldSkipLine;

}  // namespace korval
