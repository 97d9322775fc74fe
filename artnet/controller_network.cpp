#include "artnet/controller_network.h"

#include <chrono>

namespace korval::artnet {

void RealWaiter::WaitUntil(std::unique_lock<std::mutex>& lock, Clock::Duration deadline) {
  // RealClock counts from the steady clock's origin.
  using Steady = std::chrono::steady_clock;
  changed_.wait_until(lock,
                      Steady::time_point(std::chrono::duration_cast<Steady::duration>(deadline)));
}

}  // namespace korval::artnet
