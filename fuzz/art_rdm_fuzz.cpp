// RDM over Art-Net, as the node's receive thread sees the datagrams: the
// ArtTodRequest, ArtTodControl and ArtRdm parsers on the same bytes, the ArtRdm
// round trip through the encoder and the line's frame, and the table of devices
// split from UIDs cut out of the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "artnet/art_dmx.h"
#include "artnet/art_rdm.h"
#include "base/bytes.h"
#include "fuzz/fuzz_line.h"
#include "rdm/rdm_constants.h"
#include "rdm/rdm_message.h"

namespace {

using namespace korval;
using namespace korval::artnet;

void CheckArtRdm(std::span<const std::uint8_t> input) {
  const auto message = ParseArtRdm(input);
  if (!message) return;
  if (ArtNetOpCode(input) != kOpRdm) fuzz::PropertyFailed("an ArtRdm with another OpCode");
  const auto rdm = message->rdm;
  // A span inside the datagram, where the message begins, as long as its
  // message length says.
  if (rdm.data() != input.data() + kArtRdmHeaderBytes || rdm.size() > input.size() - 24) {
    fuzz::PropertyFailed("the RDM message is not where the datagram has it");
  }
  if (rdm.size() < rdm::kHeaderBytes + 1 || rdm.size() != std::size_t{rdm[1]} + 1u) {
    fuzz::PropertyFailed("the RDM message does not have its message length");
  }
  // What the parser took as checking, the reply decoder takes as checking too.
  const auto frame = RdmFrameWithStartCode(rdm);
  const RdmReply decoded = DecodeReplyFrame(frame);
  if (decoded.status == ReplyStatus::kBadChecksum || decoded.status == ReplyStatus::kNoReply) {
    fuzz::PropertyFailed("an accepted message fails the reply decoder's checks");
  }
  if (decoded.data.size() != rdm[rdm::kOffsetPdl - 1]) fuzz::PropertyFailed("PDL not kept");
  // Encoded again, the message reads back whole; so does the Port-Address while
  // Net keeps to its 7 bits.
  const auto again = EncodeArtRdm(message->portAddress, RdmWithoutStartCode(frame));
  const auto back = ParseArtRdm(again);
  if (!back || !std::equal(back->rdm.begin(), back->rdm.end(), rdm.begin(), rdm.end())) {
    fuzz::PropertyFailed("an ArtRdm does not survive its encoder");
  }
  if (message->net < 0x80 && back->portAddress != message->portAddress) {
    fuzz::PropertyFailed("the Port-Address changed on the way back");
  }
}

void CheckTodRequest(std::span<const std::uint8_t> input) {
  const auto request = ParseArtTodRequest(input);
  if (!request) return;
  const std::size_t present = input.size() - rdmfield::kAddresses;
  if (request->portAddresses.size() > std::min<std::size_t>(kMaxTodRequestAddresses, present) ||
      request->portAddresses.size() > input[rdmfield::kAddress]) {
    fuzz::PropertyFailed("more Port-Addresses than the request holds");
  }
  for (std::size_t i = 0; i < request->portAddresses.size(); ++i) {
    if (request->portAddresses[i] != PortAddress(request->net, input[rdmfield::kAddresses + i])) {
      fuzz::PropertyFailed("a Port-Address that the request does not name");
    }
  }
}

// The input as UIDs, six bytes each; split into ArtTodData and read back.
void CheckTableOfDevices(std::span<const std::uint8_t> input) {
  std::vector<Uid> uids;
  for (std::size_t at = 0; at + kUidBytes <= input.size(); at += kUidBytes) {
    uids.push_back(ReadBe48(input, at));
  }
  const auto packets = EncodeTableOfDevices(PortAddress(0, input.empty() ? 0 : input[0]), uids);
  const std::size_t expected = std::max<std::size_t>(1, (uids.size() + 199) / 200);
  if (packets.size() != expected) fuzz::PropertyFailed("the table is not split in 200s");
  std::size_t next = 0;
  for (std::size_t block = 0; block < packets.size(); ++block) {
    const std::span<const std::uint8_t> p(packets[block]);
    const std::size_t count = p[rdmfield::kUidCount];
    if (ArtNetOpCode(p) != kOpTodData || p[rdmfield::kBlockCount] != block ||
        ReadBe16(p, rdmfield::kUidTotal) != uids.size() ||
        p.size() != kArtTodDataHeaderBytes + count * kUidBytes) {
      fuzz::PropertyFailed("an ArtTodData header does not describe its packet");
    }
    for (std::size_t k = 0; k < count; ++k, ++next) {
      if (ReadBe48(p, rdmfield::kTod + k * kUidBytes) != uids[next]) {
        fuzz::PropertyFailed("a UID out of order or changed");
      }
    }
  }
  if (next != uids.size()) fuzz::PropertyFailed("UIDs lost in the split");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  CheckArtRdm(input);
  CheckTodRequest(input);
  const auto control = ParseArtTodControl(input);
  const int taken =
      ParseArtRdm(input).has_value() + ParseArtTodRequest(input).has_value() + control.has_value();
  if (taken > 1) fuzz::PropertyFailed("one datagram taken as two kinds of packet");
  if (control && control->portAddress != PortAddress(control->net, input[rdmfield::kAddress])) {
    fuzz::PropertyFailed("an ArtTodControl's Port-Address is not its Net and Address");
  }
  CheckTableOfDevices(input);
  return 0;
}
