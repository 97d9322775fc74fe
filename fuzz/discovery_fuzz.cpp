// A whole discovery on a line that delivers the input: the un-mutes, the re-mute
// of the devices already known, the binary search with its silent retries, the
// mutes of what was found and the list it leaves behind.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_line.h"
#include "rdm/device_table.h"
#include "rdm/discovery.h"
#include "rdm/transport.h"

namespace {

using namespace korval;

// Silence after the input: a few reads, or (when byte 0 asks for it) enough
// for a search to run down to its last level and then see the five silent
// full-range branches that end it. The long tail costs some 200 requests, so
// only the inputs that ask for it pay for it.
constexpr int kShortSilence = 8;
constexpr int kLongSilence = 2000;
constexpr std::uint8_t kLongSilenceBit = 0x80;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // Byte 0: how many devices the table held before (up to one more than fits),
  // and how long the line stays silent after the input.
  const int known = (data[0] & 0x3F) % (DeviceTable::kCapacity + 2);
  const int silence = (data[0] & kLongSilenceBit) != 0 ? kLongSilence : kShortSilence;
  fuzz::FuzzLine line(std::span(data + 1, size - 1), silence);
  RdmTransport transport(line, [](const std::string&) {});
  LineHandle handle = 0;
  line.Open(0, &handle);
  transport.SetHandle(handle);

  DeviceTable table;
  for (int i = 0; i < known && i < DeviceTable::kCapacity; ++i) {
    table.slots[static_cast<std::size_t>(i) + 1] = 0x4B52'0000'0100ULL + static_cast<Uid>(i);
  }
  table.count = static_cast<std::uint8_t>(known);

  Discovery discovery(transport, table);
  std::vector<std::string> list;
  const DiscoveryHooks hooks{.clearList = [&list] { list.clear(); },
                             .addListLine = [&list](const std::string& l) { list.push_back(l); }};
  try {
    discovery.Run(hooks);
  } catch (const fuzz::InputExhausted&) {
    return 0;
  }

  if (discovery.BranchRequests() > Discovery::kMaxBranchRequests) {
    fuzz::PropertyFailed("discovery sent more branch requests than its bound");
  }
  if (table.count > DeviceTable::kCapacity) fuzz::PropertyFailed("the table overflowed");
  if (list.size() != table.count) {
    fuzz::PropertyFailed("the device list and the table disagree in length");
  }
  for (std::size_t p = 0; p < list.size(); ++p) {
    const Uid uid = table.slots[p + 1];
    // Lines count from 0, the position in the list.
    if (list[p] != std::to_string(p) + " - ID:" + UidText12(uid)) {
      fuzz::PropertyFailed("a list line does not name its table slot");
    }
    if (uid > kFullRangeUpper) fuzz::PropertyFailed("a broadcast UID was listed");
    for (std::size_t q = 0; q < p; ++q) {
      if (table.slots[q + 1] == uid) fuzz::PropertyFailed("a device was listed twice");
    }
  }
  return 0;
}
