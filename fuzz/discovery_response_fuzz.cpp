// The discovery answer decoder on any bytes and search range, and on genuine
// answers: a UID encoded as a responder sends it, behind any preamble of up to
// seven bytes, always decodes to itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/fuzz_line.h"
#include "rdm/discovery.h"
#include "rdm/rdm_message.h"

namespace {

using namespace korval;

Uid UidOf(std::span<const std::uint8_t> bytes) {
  Uid uid = 0;
  for (std::size_t i = 0; i < kUidBytes; ++i) {
    uid = uid << 8 | (i < bytes.size() ? bytes[i] : 0);
  }
  return uid;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  // Bytes 0..5 and 6..11 bound the range, the rest is what the line delivered.
  const Uid lower = UidOf(input);
  const Uid upper = UidOf(input.subspan(std::min<std::size_t>(size, kUidBytes)));
  const auto reply = input.subspan(std::min<std::size_t>(size, 2 * kUidBytes));
  const DiscoveryResponse response = DecodeDiscoveryResponse(reply, lower, upper);
  if (response.result == kBranchValid && (response.uid < lower || response.uid > upper)) {
    fuzz::PropertyFailed("a valid answer outside the searched range");
  }
  if (response.result != kBranchValid && response.uid != 0) {
    fuzz::PropertyFailed("an invalid answer carries a UID");
  }

  const std::size_t preamble = size > 0 ? data[0] % 8 : 0;
  const auto answer = EncodeDiscoveryResponse(lower, false, preamble);
  const DiscoveryResponse genuine = DecodeDiscoveryResponse(answer, lower, lower);
  if (genuine.result != kBranchValid || genuine.uid != lower) {
    fuzz::PropertyFailed("a genuine answer does not decode to its UID");
  }
  return 0;
}
