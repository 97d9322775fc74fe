// Rig files: the JSON syntax and every field check behind it. A rig that loads
// keeps the promises of its loader, and a virtual line made from it answers a
// DEVICE_INFO request of the tool for each responder.
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "fuzz/fuzz_line.h"
#include "rdm/rdm_constants.h"
#include "rdm/transport.h"
#include "sim/rig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korval;
  sim::RigLoadResult loaded = sim::ParseRig(std::span(data, size), "fuzz.json");
  if (!loaded.rig) {
    if (loaded.error.rfind("fuzz.json: ", 0) != 0) {
      fuzz::PropertyFailed("a rig error line does not name the file");
    }
    return 0;
  }
  sim::Rig& rig = *loaded.rig;
  std::set<Uid> uids;
  for (const auto& r : rig.responders) {
    if (!uids.insert(r.uid).second) fuzz::PropertyFailed("two responders share a UID");
    if ((r.uid & 0xFFFF'FFFFULL) == 0xFFFF'FFFFULL) fuzz::PropertyFailed("a broadcast UID");
    if (r.label.size() > 32 || r.manufacturer.size() > 32) fuzz::PropertyFailed("a long label");
    if (r.personality < 1 || r.personality > r.personality_count) {
      fuzz::PropertyFailed("a personality outside the count");
    }
  }

  // Never a file of the fuzzer's choosing, never real time.
  rig.dmx_record.clear();
  rig.timing = sim::Timing::kInstant;
  auto line = sim::MakeVirtualLine(std::move(rig));
  RdmTransport transport(*line, [](const std::string&) {});
  LineHandle handle = 0;
  if (line->Open(0, &handle) != kLineOk) return 0;
  transport.SetHandle(handle);
  std::size_t asked = 0;
  for (Uid uid : uids) {
    if (++asked > 4) break;
    transport.Request(uid, rdm::kGetCommand, rdm::kPidDeviceInfo);
  }
  return 0;
}
