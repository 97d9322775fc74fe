// Art-Net datagrams as the node hands them over: the record header, the ArtDmx
// rule for universe 0, the OpCode and the ArtPoll test; and the ArtPollReply
// built from names of any length.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "artnet/art_dmx.h"
#include "artnet/art_poll.h"
#include "fuzz/fuzz_line.h"

namespace {

using namespace korval;
using namespace korval::artnet;

void CheckReply(std::span<const std::uint8_t> input) {
  // Two names cut from the input where its first byte says.
  const std::size_t cut = input.empty() ? 0 : std::min<std::size_t>(input[0], input.size());
  NodeDescription node;
  node.shortName.assign(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(cut));
  node.longName.assign(input.begin() + static_cast<std::ptrdiff_t>(cut), input.end());
  node.replyCount = static_cast<std::uint32_t>(input.size() * 7919);
  const auto reply = BuildArtPollReply(node);
  if (ArtNetOpCode(reply) != kOpPollReply || IsArtPoll(reply)) {
    fuzz::PropertyFailed("an ArtPollReply does not read as one");
  }
  // Each text field keeps its terminating zero however long the name.
  for (auto [at, bytes] : {std::pair{reply::kShortName, reply::kShortNameBytes},
                           std::pair{reply::kLongName, reply::kLongNameBytes},
                           std::pair{reply::kNodeReport, reply::kNodeReportBytes}}) {
    if (reply[at + bytes - 1] != 0) fuzz::PropertyFailed("a reply text field is not terminated");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);

  DmxSlots slots{};
  for (auto& s : slots) s.store(0xA5, std::memory_order_relaxed);
  const bool taken = ArtDmxReceived(input, slots);
  const auto loaded = LoadSlots(slots);
  if (taken) {
    if (size < kRecordHeaderBytes + kArtDmxFullBytes) fuzz::PropertyFailed("a short ArtDmx taken");
    const auto sent = input.subspan(kRecordHeaderBytes + kArtDmxHeaderBytes, kDmxSlots);
    if (!std::equal(loaded.begin(), loaded.end(), sent.begin())) {
      fuzz::PropertyFailed("the slots are not those of the ArtDmx");
    }
  } else if (std::any_of(loaded.begin(), loaded.end(), [](std::uint8_t b) { return b != 0xA5; })) {
    fuzz::PropertyFailed("a refused datagram changed the slots");
  }
  if (const auto header = DecodeRecordHeader(input)) {
    const auto encoded = EncodeRecordHeader(*header);
    if (!std::equal(encoded.begin(), encoded.end(), input.begin())) {
      fuzz::PropertyFailed("a record header does not encode back to its bytes");
    }
  }

  // The datagram on its own, as the node's receive thread first sees it.
  const bool universe0 = Universe0Slots(input).has_value();
  const auto op = ArtNetOpCode(input);
  if (IsArtPoll(input) && op != kOpPoll) fuzz::PropertyFailed("an ArtPoll with another OpCode");
  if (universe0 && op && *op != kOpDmx) fuzz::PropertyFailed("universe 0 from a non-ArtDmx");
  CheckReply(input);
  return 0;
}
