// What an Art-Net controller needs of the network, and nothing more: a way to
// send one datagram, and a way to wait for the datagrams that the socket's
// owner hands it on another thread. Neither the controller nor the node finder
// owns a socket: in the window the node's socket serves both roles, in the
// command line a ControllerSocket does, in tests a scripted network in
// simulated time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

#include "rdm/clock.h"

namespace korval::artnet {

// Sends one datagram to address:port (IPv4, host order); false when it could
// not be sent (no route, no socket).
using SendDatagram = std::function<bool(std::uint32_t address, std::uint16_t port,
                                        std::span<const std::uint8_t> datagram)>;

class NetworkWaiter {
 public:
  virtual ~NetworkWaiter() = default;

  // The clock every deadline is on.
  virtual Clock& GetClock() = 0;
  // Called with `lock` held, on the thread that waits: lets go of it until
  // Wake, until the clock reaches `deadline`, or spuriously, and holds it again
  // on return. The caller checks again what it waits for.
  virtual void WaitUntil(std::unique_lock<std::mutex>& lock, Clock::Duration deadline) = 0;
  // Called with the same lock held, on the receiving thread: something the
  // waiting thread may wait for has come.
  virtual void Wake() = 0;
};

// Real time: a condition variable on the steady clock.
class RealWaiter final : public NetworkWaiter {
 public:
  Clock& GetClock() override { return clock_; }
  void WaitUntil(std::unique_lock<std::mutex>& lock, Clock::Duration deadline) override;
  void Wake() override { changed_.notify_all(); }

 private:
  RealClock clock_;
  std::condition_variable changed_;
};

}  // namespace korval::artnet
