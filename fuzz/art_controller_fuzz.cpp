// What an Art-Net controller reads from the network: the ArtPollReply and
// ArtTodData parsers on the whole input, and the controller itself fed the
// input as a run of datagrams from its node while it waits for a GET and for
// the table of a full discovery, in simulated time.
//
// Datagrams are cut from the input as [length][bytes]; a length byte with its
// top bit set makes the datagram come from another address.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "artnet/artnet_controller.h"
#include "artnet/controller_packets.h"
#include "artnet/tests/scripted_network.h"
#include "base/bytes.h"
#include "base/win1252.h"
#include "fuzz/fuzz_line.h"
#include "rdm/rdm_constants.h"

namespace {

using namespace korval;
using namespace korval::artnet;
using namespace std::chrono_literals;

constexpr std::uint32_t kNode = testing::ScriptedNode::kAddress;
constexpr Uid kFixture = 0x4B52'0000'0101ULL;

void CheckPollReply(std::span<const std::uint8_t> input) {
  const auto reply = ParseArtPollReply(input);
  if (!reply) return;
  if (input.size() < kArtPollReplyMinBytes) fuzz::PropertyFailed("a short ArtPollReply taken");
  if (reply->outputs.size() > kPortsPerPollReply) fuzz::PropertyFailed("more than four ports");
  std::set<int> ports;
  for (const PollReplyPort& p : reply->outputs) {
    if (p.port < 1 || p.port > kPortsPerPollReply || !ports.insert(p.port).second) {
      fuzz::PropertyFailed("a port numbered twice or out of 1 to 4");
    }
    if (p.portAddress > 0x7FFF) fuzz::PropertyFailed("a Port-Address beyond 15 bits");
    if (p.rdm && !reply->rdmCapable) fuzz::PropertyFailed("RDM on a port of a node without it");
  }
  if (!IsValidUtf8(reply->shortName) || !IsValidUtf8(reply->longName))
    fuzz::PropertyFailed("a name not UTF-8");
}

void CheckTodData(std::span<const std::uint8_t> input) {
  const auto tod = ParseArtTodData(input);
  if (!tod) return;
  const std::size_t count = tod->uids.size();
  if (count > kMaxUidsPerTodData || count > tod->header.uidTotal ||
      kArtTodDataHeaderBytes + count * kUidBytes > input.size()) {
    fuzz::PropertyFailed("an ArtTodData taken whose counts do not add up");
  }
  for (std::size_t k = 0; k < count; ++k) {
    if (tod->uids[k] != ReadBe48(input, rdmfield::kTod + k * kUidBytes)) {
      fuzz::PropertyFailed("a UID that the packet does not hold");
    }
  }
  // The node's encoder writes what the parser read, and it reads back the same.
  if (tod->header.commandResponse == kTodFull && input[rdmfield::kNet] < 0x80) {
    const auto again = ParseArtTodData(EncodeArtTodData(tod->header, tod->uids));
    if (!again || again->uids != tod->uids ||
        again->header.portAddress != tod->header.portAddress) {
      fuzz::PropertyFailed("an ArtTodData does not survive the encoder");
    }
  }
}

void RunController(std::span<const std::uint8_t> input) {
  testing::ScriptedNetwork network;
  ArtNetController controller(kNode, 0, network.Sender(), {}, network.Waiter());
  network.receiver = [&controller](std::span<const std::uint8_t> d, std::uint32_t from) {
    return controller.Receive(d, from);
  };
  Clock::Duration at = 1ms;
  for (std::size_t i = 0; i < input.size();) {
    const std::uint8_t head = input[i++];
    const std::size_t length = std::min<std::size_t>(head & 0x7F, input.size() - i);
    const std::uint32_t from = (head & 0x80) != 0 ? kNode + 1 : kNode;
    network.Deliver(at, from, testing::Bytes(input.begin() + i, input.begin() + i + length));
    i += length;
    at += 40ms;
  }

  const RdmReply reply = controller.Send(
      {.destination = kFixture, .commandClass = rdm::kGetCommand, .pid = rdm::kPidDeviceInfo});
  if (network.clock.Now() > ArtNetController::kRequestAttempts * ArtNetController::kReplyTimeout) {
    fuzz::PropertyFailed("a GET waited past its bound");
  }
  if (reply.Answered() &&
      (reply.source != kFixture || reply.destination != kControllerUid || reply.transaction != 1 ||
       reply.commandClass != rdm::kGetCommandResponse || reply.pid != rdm::kPidDeviceInfo)) {
    fuzz::PropertyFailed("a reply that does not answer the GET was taken");
  }

  const Clock::Duration start = network.clock.Now();
  DeviceTable table;
  std::size_t found = 0;
  controller.Discover(DiscoveryMode::kFull, table,
                      {.clearList = {}, .addListLine = {}, .found = [&found](Uid) { ++found; }});
  if (network.clock.Now() - start >
      ArtNetController::kFlushWait +
          ArtNetController::kFlushFallbackRequests * ArtNetController::kTableWait) {
    fuzz::PropertyFailed("a discovery waited past its bound");
  }
  const auto& uids = controller.LastTable();
  if (table.count > DeviceTable::kCapacity || found != uids.size() ||
      std::set<Uid>(uids.begin(), uids.end()).size() != uids.size()) {
    fuzz::PropertyFailed("a table with a device twice, or listed past its capacity");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  CheckPollReply(input);
  CheckTodData(input);
  RunController(input);
  return 0;
}
