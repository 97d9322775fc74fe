// The command line's Art-Net socket, for the controller and the node finder:
// UDP port 6454, since nodes send their answers there whatever port a request
// came from, with a receive thread that hands every datagram to the receiver.
//
// It listens on all addresses: a socket bound to one interface address does
// not get the broadcasts some nodes answer with (OLA broadcasts its
// ArtPollReply and its ArtTodData). With an interface chosen, datagrams that
// arrive on another interface are dropped, datagrams leave from its address,
// and polls go to its broadcast address only.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "artnet/art_dmx.h"

namespace korval::artnet {

class ControllerSocket {
 public:
  using Receiver = std::function<void(std::span<const std::uint8_t> datagram, std::uint32_t from)>;

  ControllerSocket() = default;
  ~ControllerSocket();
  ControllerSocket(const ControllerSocket&) = delete;
  ControllerSocket& operator=(const ControllerSocket&) = delete;

  // interfaceAddress: the local address to send and broadcast from (0: let
  // the routes choose, and poll on every interface). Port 0 takes any free
  // port (tests). On failure nothing runs and Error() is one line for the
  // operator, in the node's words: "Art-Net: cannot listen on UDP
  // 0.0.0.0:6454: Address already in use".
  bool Open(std::uint32_t interfaceAddress, std::uint16_t port = kArtNetPort);
  // Stops the receive thread; no receiver call runs after this returns.
  void Close();
  bool IsOpen() const { return socket_ >= 0; }
  const std::string& Error() const { return error_; }
  std::uint16_t BoundPort() const { return boundPort_; }

  // Called on the receive thread with every datagram from now on.
  void SetReceiver(Receiver receiver);
  // Any thread. False when the datagram could not be sent.
  bool Send(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> datagram);

  // Where a poll goes: the directed broadcast address of the chosen interface,
  // or of every interface but loopback when none was chosen.
  std::vector<std::uint32_t> PollAddresses() const;

 private:
  void ReceiveLoop();

  std::atomic<int> socket_{-1};
  int wake_ = -1;  // an eventfd that Close writes
  std::thread thread_;
  std::uint32_t interfaceAddress_ = 0;
  int interfaceIndex_ = 0;  // 0: any interface
  std::uint16_t boundPort_ = 0;
  std::string error_;
  std::mutex receiverMutex_;
  Receiver receiver_;
};

}  // namespace korval::artnet
