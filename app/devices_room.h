// What the device list keeps beyond the window's shared state: the names file
// kept with the table. (The discovery, whose search state carries over from
// one to the next, is the controller's.)
#pragma once

#include <string>
#include <vector>

#include "app/tform1.h"
#include "devices/device_names.h"
#include "params/fixture_runs.h"

namespace korval {

struct TForm1::DevicesRoom {
  explicit DevicesRoom(TForm1& form)
      : names(form.namesList, form.deviceTable,
              [&form](const std::string& line) { form.Log(line); }) {}
  DeviceNames names;
};

using params::WithheldSkipLine;

}  // namespace korval
