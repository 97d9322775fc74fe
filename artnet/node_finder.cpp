#include "artnet/node_finder.h"

#include <algorithm>

#include "artnet/art_dmx.h"

namespace korval::artnet {

NodeFinder::NodeFinder(SendDatagram send, std::unique_ptr<NetworkWaiter> waiter)
    : send_(std::move(send)), waiter_(std::move(waiter)) {}

std::vector<NodeInfo> NodeFinder::Poll(std::span<const std::uint32_t> addresses,
                                       Clock::Duration window) {
  Clock& clock = waiter_->GetClock();
  {
    std::lock_guard lock(mutex_);
    heard_.clear();
    polling_ = true;
  }
  const auto poll = EncodeArtPoll();
  for (const std::uint32_t to : addresses) {
    if (send_) send_(to, kArtNetPort, poll);
  }
  const Clock::Duration deadline = clock.Now() + window;
  std::unique_lock lock(mutex_);
  while (clock.Now() < deadline) waiter_->WaitUntil(lock, deadline);
  polling_ = false;
  std::vector<NodeInfo> nodes;
  for (auto& [address, heard] : heard_) nodes.push_back(std::move(heard.node));
  heard_.clear();
  return nodes;
}

bool NodeFinder::Receive(std::span<const std::uint8_t> datagram, std::uint32_t fromAddress) {
  const auto reply = ParseArtPollReply(datagram);
  if (!reply) return false;
  std::lock_guard lock(mutex_);
  if (polling_) Add(*reply, fromAddress);
  return true;
}

void NodeFinder::Add(const PollReply& reply, std::uint32_t fromAddress) {
  Heard& heard = heard_[fromAddress];
  NodeInfo& node = heard.node;
  node.address = fromAddress;
  node.rdmCapable = node.rdmCapable || reply.rdmCapable;
  const std::uint8_t page = std::max<std::uint8_t>(reply.bindIndex, 1);
  if (page <= heard.namesFromPage) {
    node.shortName = reply.shortName;
    node.longName = reply.longName;
    heard.namesFromPage = page;
  }
  // A page heard again (a second poll address, a reply on change) replaces
  // what it said before.
  std::erase_if(node.ports, [page](const PollReplyPort& p) { return p.bindIndex == page; });
  node.ports.insert(node.ports.end(), reply.outputs.begin(), reply.outputs.end());
  std::sort(node.ports.begin(), node.ports.end(), [](const auto& a, const auto& b) {
    return a.bindIndex != b.bindIndex ? a.bindIndex < b.bindIndex : a.port < b.port;
  });
}

}  // namespace korval::artnet
