// The rig file's fields of the described parameters: model and personality
// descriptions, slots and sensors.
#pragma once

#include <string>

#include "sim/rig_description.h"
#include "sim/rig_object_reader.h"

namespace korval::sim {

// Reads them from a responder's object; c.personality_count must be read first.
void ReadDescriptions(ObjectReader& r, ResponderConfig& c, std::string& error);

}  // namespace korval::sim
