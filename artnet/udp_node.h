// The Art-Net node: a UDP socket on one IPv4 interface (or all) with a receive
// thread of its own. Every datagram is counted and handed to the receiver as a
// record (header, then the datagram); an ArtPoll is answered with an
// ArtPollReply. Start and Stop run on the window thread; the statistics and the
// copy of universe 0 are atomic so that dialogs read them while packets arrive.
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
#include "rdm/line_buffer.h"

namespace korval::artnet {

struct NodeStatistics {
  std::atomic<std::uint64_t> datagrams{0};      // every datagram received
  std::atomic<std::uint64_t> accepted{0};       // ArtDmx for universe 0 that passed
  std::atomic<std::uint64_t> ignored{0};        // everything else but polls
  std::atomic<std::uint64_t> pollsAnswered{0};  // ArtPoll answered
  std::atomic<std::uint32_t> lastSenderAddress{0};
  std::atomic<std::uint16_t> lastSenderPort{0};
};

class ArtNetNode {
 public:
  using Receiver = std::function<void(std::span<const std::uint8_t> record)>;

  ArtNetNode();
  ~ArtNetNode();
  ArtNetNode(const ArtNetNode&) = delete;
  ArtNetNode& operator=(const ArtNetNode&) = delete;

  // Binds address:port (port 0: any free port) and starts receiving. A node
  // already running is stopped first. On failure nothing runs and Error() says
  // why.
  bool Start(std::uint32_t bindAddress, std::uint16_t port);
  void Stop();
  bool Running() const { return socket_ >= 0; }
  std::uint32_t BoundAddress() const { return boundAddress_; }
  std::uint16_t BoundPort() const { return boundPort_; }
  const std::string& Error() const { return error_; }

  // Called on the receive thread for every datagram until it is replaced or
  // the node is destroyed.
  void SetReceiver(Receiver receiver);
  // Answers a controller from the node's socket (any thread): at its Art-Net
  // port, and at the port it sent from when that is another one; never this
  // node itself, and nothing when the node is not running.
  void Answer(std::uint32_t to, std::uint16_t toPort, std::span<const std::uint8_t> datagram);
  // What the ArtPollReply advertises.
  void SetPortAddress(std::uint16_t portAddress) { portAddress_.store(portAddress); }

  // The output ticker's word after every tick (on its thread): whether a frame
  // went out on the line. Frames of received ArtDmx data going out is what the
  // reply calls "data being output"; when that changes, every controller whose
  // last ArtPoll asked for replies on change gets one. Allocates nothing.
  void ReportOutput(bool frameSent);
  bool Outputting() const { return outputting_.load(std::memory_order_relaxed); }

  const NodeStatistics& Statistics() const { return statistics_; }
  const DmxSlots& Universe0() const { return universe0_; }
  void ClearUniverse0();

 private:
  void ReceiveLoop();
  void Handle(std::span<const std::uint8_t> record, std::uint32_t from, std::uint16_t fromPort);
  void AnswerPoll(std::uint32_t to, std::uint16_t toPort);
  void RememberPoller(std::uint32_t address, std::uint16_t port, std::uint8_t flags);
  void AnswerOnChange();

  // A controller that polled, with the flags of its last ArtPoll.
  struct Poller {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    std::uint8_t flags = 0;
  };
  static constexpr std::size_t kMaxPollers = 8;

  std::atomic<int> socket_{-1};  // read by Send on other threads
  int wakeRead_ = -1;
  int wakeWrite_ = -1;  // written by Stop and by ReportOutput, under wakeMutex_
  std::mutex wakeMutex_;
  std::thread thread_;
  std::atomic<std::uint32_t> boundAddress_{0};  // read by Answer on other threads
  std::atomic<std::uint16_t> boundPort_{0};
  std::string error_;
  const std::string shortName_ = "KORVAL RDM Setup";
  const std::string longName_ = "KORVAL RDM Setup Art-Net to DMX512 node";

  std::vector<std::uint8_t> buffer_;  // record header + largest datagram
  std::mutex receiverMutex_;
  Receiver receiver_;
  std::atomic<std::uint16_t> portAddress_{0};
  std::uint32_t repliesSent_ = 0;  // receive thread only
  std::vector<Poller> pollers_;    // receive thread only; the most recent first
  std::atomic<bool> outputting_{false};
  NodeStatistics statistics_;
  DmxSlots universe0_{};
};

}  // namespace korval::artnet
