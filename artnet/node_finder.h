// Finding the Art-Net nodes on the network: an ArtPoll broadcast, and the
// ArtPollReplies that come back within a bounded time, as a list of nodes with
// their names and DMX512 output ports.
//
// Poll runs on one thread; Receive is called by the socket's owner on another
// with every datagram that arrives.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "artnet/controller_network.h"
#include "artnet/controller_packets.h"

namespace korval::artnet {

struct NodeInfo {
  // The address its replies came from: where requests to it go, and where
  // its answers will come from.
  std::uint32_t address = 0;
  std::string shortName;
  std::string longName;
  bool rdmCapable = false;
  // The output ports of every page the node answered with (a node with more
  // than four ports answers with one page of four per BindIndex), by page and
  // port.
  std::vector<PollReplyPort> ports;
};

class NodeFinder {
 public:
  // Nodes may wait up to 1 s at random before they answer a poll, and a
  // controller may take every reply to have come within 3 s.
  static constexpr std::chrono::milliseconds kPollWindow{3000};

  explicit NodeFinder(SendDatagram send,
                      std::unique_ptr<NetworkWaiter> waiter = std::make_unique<RealWaiter>());

  // Sends an ArtPoll to each address (the directed broadcast address of an
  // interface, or a node's own address) at the Art-Net port and collects
  // the replies for `window`, never longer. The nodes that answered, by
  // address.
  std::vector<NodeInfo> Poll(std::span<const std::uint32_t> addresses,
                             Clock::Duration window = kPollWindow);

  // The receive thread's entry: true when the datagram is an ArtPollReply
  // (kept while a poll runs, dropped otherwise).
  bool Receive(std::span<const std::uint8_t> datagram, std::uint32_t fromAddress);

 private:
  struct Heard {
    NodeInfo node;
    std::uint8_t namesFromPage = 0xFF;  // the lowest page the names were taken from
  };
  void Add(const PollReply& reply, std::uint32_t fromAddress);

  SendDatagram send_;
  std::unique_ptr<NetworkWaiter> waiter_;
  std::mutex mutex_;
  bool polling_ = false;
  std::map<std::uint32_t, Heard> heard_;
};

}  // namespace korval::artnet
