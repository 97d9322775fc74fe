// RDM over Art-Net for the node's one output port (Port-Address 0): controllers
// on the network ask for the table of devices (ArtTodRequest), have it rebuilt
// (ArtTodControl with AtcFlush) and send GET and SET requests to the fixtures on
// our line (ArtRdm). Requests are never run on the receive thread: they wait on
// the line arbiter's queue until a thread that may use the line runs them, and
// the reply goes back, as an ArtRdm, to the controller that asked.
//
// Whatever a request does on the line is written to the message log as the
// window's own requests are, preceded by a line naming the sender; the lines
// of one request reach the log hook together, from the thread that ran it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "rdm/line_arbiter.h"
#include "rdm/rdm_controller.h"
#include "rdm/uid.h"

namespace korval::artnet {

struct Controller {
  std::uint32_t address = 0;  // IPv4, host order
  std::uint16_t port = 0;
  bool operator==(const Controller&) const = default;
};

class RdmGateway {
 public:
  // A controller that asked for a new table hears of the table known so far
  // after this long if the discovery has not ended by then (controllers wait a
  // few seconds: OLA four, and it keeps the first whole table it gets). An
  // empty list is not sent then: it would read as a line without fixtures,
  // and a controller that keeps it would never see the discovery's table.
  static constexpr std::chrono::milliseconds kInterimTableAfter{3000};

  struct Hooks {
    // Sends one datagram (on the node's socket).
    std::function<void(const Controller& to, std::span<const std::uint8_t> datagram)> send;
    // A request waits on the line's queue.
    std::function<void()> requestWaiting;
    // AtcFlush: run the discovery, then call DiscoveryEnded.
    std::function<void()> discover;
    // The lines one request wrote.
    std::function<void(std::vector<std::string> lines)> log;
  };

  // The requests go to the fixtures through `controller`, each when `arbiter`
  // finds it a turn on the line.
  RdmGateway(RdmController& controller, LineArbiter& arbiter, Hooks hooks,
             std::chrono::milliseconds interimAfter = kInterimTableAfter);
  ~RdmGateway();
  RdmGateway(const RdmGateway&) = delete;
  RdmGateway& operator=(const RdmGateway&) = delete;

  // The receive thread's entry: takes the RDM packets addressed to this node's
  // port and ignores the rest (false: not one of them).
  bool Receive(std::span<const std::uint8_t> datagram, const Controller& from);

  // The devices the window lists now (any thread).
  void SetTable(std::vector<Uid> uids);
  std::vector<Uid> Table() const;
  // The discovery that a controller asked for is over: the table goes to every
  // controller that asked, and the table must be set before.
  void DiscoveryEnded();

 private:
  void SendTable(const Controller& to);
  void Forward(std::vector<std::uint8_t> frame, bool broadcast, const Controller& from);
  void WatchDiscoveries();

  RdmController& controller_;
  LineArbiter& arbiter_;
  Hooks hooks_;
  const std::chrono::milliseconds interimAfter_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Uid> table_;
  std::vector<Controller> waitingForTable_;  // asked for a flush not yet ended
  std::chrono::steady_clock::time_point interimAt_{};
  bool interimSent_ = true;
  bool stopping_ = false;
  std::thread watcher_;
};

}  // namespace korval::artnet
