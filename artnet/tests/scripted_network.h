// A network in simulated time for tests of the Art-Net controller side: what
// the controller sends reaches a scripted node at once, and what the node (or
// the test) sends arrives at the time it is due, when the controller waits;
// an answer due at once arrives before the send returns, as a fast node's
// answer can reach the socket thread before the sender waits for it.
// Nothing here waits for real time or touches a socket.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "artnet/art_dmx.h"
#include "artnet/art_rdm.h"
#include "artnet/controller_network.h"
#include "artnet/controller_packets.h"
#include "rdm/clock.h"
#include "sim/rdm_request.h"
#include "sim/responder.h"

namespace korval::artnet::testing {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

class ScriptedNetwork {
 public:
  // Whoever owns the socket: the controller's (or finder's) Receive.
  std::function<bool(std::span<const std::uint8_t>, std::uint32_t from)> receiver;
  // The node: every datagram the controller sends, with its destination.
  std::function<void(std::uint32_t to, const Bytes& datagram)> node;
  // Everything the controller sent, in order, and when.
  struct Sent {
    std::uint32_t to = 0;
    Bytes datagram;
    Clock::Duration at{0};
  };
  std::vector<Sent> sent;
  SimulatedClock clock;

  void Deliver(Clock::Duration after, std::uint32_t from, Bytes datagram) {
    queue_.emplace(clock.Now() + after, std::make_pair(from, std::move(datagram)));
  }
  // The next datagram due by `deadline` arrives (the clock moves to its time),
  // or, when none is, the clock moves to the deadline.
  void RunUntil(Clock::Duration deadline) {
    if (queue_.empty() || queue_.begin()->first > deadline) {
      if (deadline > clock.Now()) clock.Advance(deadline - clock.Now());
      return;
    }
    auto next = queue_.extract(queue_.begin());
    if (next.key() > clock.Now()) clock.Advance(next.key() - clock.Now());
    if (receiver) receiver(next.mapped().second, next.mapped().first);
  }
  std::size_t Count(std::uint16_t opCode) const {
    return std::count_if(sent.begin(), sent.end(),
                         [opCode](const Sent& s) { return ArtNetOpCode(s.datagram) == opCode; });
  }

  SendDatagram Sender() {
    return [this](std::uint32_t to, std::uint16_t, std::span<const std::uint8_t> datagram) {
      sent.push_back({to, Bytes(datagram.begin(), datagram.end()), clock.Now()});
      if (node) node(to, sent.back().datagram);
      RunUntil(clock.Now());
      return true;
    };
  }
  std::unique_ptr<NetworkWaiter> Waiter() { return std::make_unique<SimulatedWaiter>(*this); }

 private:
  class SimulatedWaiter final : public NetworkWaiter {
   public:
    explicit SimulatedWaiter(ScriptedNetwork& network) : network_(network) {}
    Clock& GetClock() override { return network_.clock; }
    void WaitUntil(std::unique_lock<std::mutex>& lock, Clock::Duration deadline) override {
      lock.unlock();
      network_.RunUntil(deadline);
      lock.lock();
    }
    void Wake() override {}

   private:
    ScriptedNetwork& network_;
  };

  std::multimap<Clock::Duration, std::pair<std::uint32_t, Bytes>> queue_;
};

// An Art-Net node with simulated responders behind one port. Its answers go
// out after `latency`, through `tamper` (which may change the bytes or the
// sender), and may be lost or duplicated.
struct ScriptedNode {
  static constexpr std::uint32_t kAddress = 0x0A000005;  // 10.0.0.5

  std::uint16_t portAddress = 0;
  std::vector<sim::Responder> responders;
  // The table it reports; the responders' UIDs when empty.
  std::vector<Uid> table;
  Clock::Duration latency = 5ms;
  bool silent = false;
  int repliesLost = 0;  // the first ArtRdm replies that never arrive
  bool duplicates = false;
  // The table's blocks (BlockCount) lost in each answer to a request (1, 2, ...).
  std::function<std::set<int>(int answer)> blocksLost;
  bool blocksShuffled = false;
  // After AtcFlush: an answer at once (empty table, as some nodes send), then
  // the new table once the discovery is over.
  bool emptyTableOnFlush = false;
  Clock::Duration discoveryTime = 2s;
  std::function<void(Bytes& datagram, std::uint32_t& from)> tamper;
  std::vector<sim::RdmRequest> requests;  // the RDM requests it took

  void Attach(ScriptedNetwork& network) {
    network.node = [this, &network](std::uint32_t to, const Bytes& d) { Take(network, to, d); };
  }

  std::vector<Uid> Table() const {
    if (!table.empty()) return table;
    std::vector<Uid> uids;
    for (const auto& r : responders) uids.push_back(r.GetUid());
    return uids;
  }

  void Send(ScriptedNetwork& network, Clock::Duration after, Bytes datagram) {
    std::uint32_t from = kAddress;
    if (tamper) tamper(datagram, from);
    network.Deliver(after, from, datagram);
    if (duplicates) network.Deliver(after + 1ms, from, std::move(datagram));
  }
  void SendTable(ScriptedNetwork& network, Clock::Duration after, std::vector<Uid> uids) {
    auto packets = EncodeTableOfDevices(portAddress, uids);
    const std::set<int> lost = blocksLost ? blocksLost(++tableAnswers_) : std::set<int>{};
    if (blocksShuffled) std::shuffle(packets.begin(), packets.end(), std::mt19937(tableAnswers_));
    for (auto& p : packets) {
      if (!lost.contains(p[rdmfield::kBlockCount])) Send(network, after, std::move(p));
    }
  }

 private:
  void Take(ScriptedNetwork& network, std::uint32_t to, const Bytes& datagram) {
    if (silent || to != kAddress) return;
    if (const auto control = ParseArtTodControl(datagram)) {
      if (control->portAddress != portAddress || control->command != kAtcFlush) return;
      if (emptyTableOnFlush) SendTable(network, latency, {});
      SendTable(network, discoveryTime, Table());
    } else if (const auto tod = ParseArtTodRequest(datagram)) {
      if (tod->Asks(portAddress)) SendTable(network, latency, Table());
    } else if (const auto message = ParseArtRdm(datagram)) {
      if (message->portAddress != portAddress) return;
      const auto request = sim::ParseRdmRequest(RdmFrameWithStartCode(message->rdm));
      if (!request) return;
      requests.push_back(*request);
      for (auto& responder : responders) {
        const auto reply = responder.Receive(*request);
        if (!reply) continue;
        if (repliesLost > 0) {
          --repliesLost;
          continue;
        }
        Send(network, latency, EncodeArtRdm(portAddress, RdmWithoutStartCode(*reply)));
      }
    }
  }
  int tableAnswers_ = 0;
};

}  // namespace korval::artnet::testing
