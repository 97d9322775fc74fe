// For a program that ft232r-model runs: steer the chip (plug it in, pull it
// out, refuse access) and read what the model has recorded so far.
#pragma once

#include <string>
#include <vector>

#include "tests/ft232r/model_log.h"

namespace korval::ft232r {

class ModelControl {
 public:
  // Whether this process runs under the model.
  static bool Available();

  // Each returns once the model has done it.
  bool Plug() { return Send("plug"); }
  bool Unplug() { return Send("unplug"); }
  bool Deny() { return Send("deny"); }
  bool Allow() { return Send("allow"); }
  // Everything the model has recorded up to now, in time order.
  std::vector<ModelEvent> Events();

 private:
  bool Send(const std::string& command);
};

// Events in time order (the model writes some of them once they are over).
std::vector<ModelEvent> Timeline(std::vector<ModelEvent> events);

}  // namespace korval::ft232r
