// The Art-Net library as the window calls it: start, buffer and universe
// set-up, the receive callback and the end, as a thin facade over one node.
// All calls are made on the window thread. Results are not reported back: a
// port that cannot be bound is written to the message log with the reason, and
// the rest of the tool goes on without the node until an interface is chosen.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "artnet/udp_node.h"
#include "rdm/log_sink.h"

namespace korval::artnet {

struct ArtNetSettings {
  std::uint32_t bindAddress = 0;  // host order; 0: all interfaces
  std::uint16_t port = kArtNetPort;
};

class ArtNetLibrary {
 public:
  using ReceiveCallback = ArtNetNode::Receiver;

  explicit ArtNetLibrary(ArtNetSettings settings = {}, LogSink log = {});

  // Mode 0: the node as configured (all interfaces unless the settings say so).
  void ArtNetInit(int mode);
  // Clears the copy of the universe that the data monitor shows.
  void ArtNetClearDataBuffer(int pipe);
  // The universe that the output port (pipe) advertises to controllers.
  void ArtNetSetTxPipeUniverse(int pipe, int universe);
  // The universe the node asks for; this node takes universe 0 only.
  void ArtNetSetRxPipeRequestUniverse(int pipe, int universe);
  // Mode 0: receive and answer polls. Binds and starts the receive thread.
  void ArtNetReadWrite(int mode);
  // From now on every received datagram is handed to callback as a record.
  void ArtNetSetCallBackUdpReceivePost(ReceiveCallback callback);
  // Stops the node; no callback runs after this returns.
  void ArtNetEnd();

  // The network-interface dialog's choice: listen there from now on.
  bool Rebind(std::uint32_t bindAddress);
  const ArtNetSettings& Settings() const { return settings_; }
  bool Started() const { return started_; }
  ArtNetNode& Node() { return node_; }
  const ArtNetNode& Node() const { return node_; }

 private:
  bool Bind();

  ArtNetSettings settings_;
  LogSink log_;
  bool started_ = false;
  ArtNetNode node_;
};

}  // namespace korval::artnet
