// Rigs: reading a rig file, the built-in demo rig, and a virtual line made from
// either. The rig file format is described in the README ("Virtual rigs").
//
//   auto loaded = korval::sim::LoadRigFile("rig.json");
//   if (!loaded.rig) { std::cerr << loaded.error << '\n'; return 2; }
//   auto line = korval::sim::MakeVirtualLine(std::move(*loaded.rig));
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/rig_description.h"
#include "sim/virtual_line.h"

namespace korval::sim {

// Either a whole rig or, when rig is empty, one line saying what is wrong:
// "rig.json: responder 2: malformed uid \"xyz\"". Never half a rig.
struct RigLoadResult {
  std::optional<Rig> rig;
  std::string error;
};

// A pure function over the file's bytes; fileName only prefixes the error.
// dmx_record is kept as written in the file.
RigLoadResult ParseRig(std::span<const std::uint8_t> bytes, std::string_view fileName);

// Reads and parses the file. A relative dmx_record is taken relative to the rig
// file's folder, and must be a file that can be opened for appending.
RigLoadResult LoadRigFile(const std::string& path);

// The built-in rig of `korval-rdm --demo`: ten fixtures of different kinds, in
// real timing.
Rig MakeDemoRig();

std::unique_ptr<VirtualLine> MakeVirtualLine(Rig rig);

}  // namespace korval::sim
