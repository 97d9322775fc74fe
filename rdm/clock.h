// One clock for every wait of the tool. The line owns it: the FTDI line and the
// virtual line in real time sleep for real, the virtual line in simulated time
// only advances a counter, so a whole discovery runs in milliseconds in a test.
#pragma once

#include <atomic>
#include <chrono>

namespace korval {

class Clock {
 public:
  using Duration = std::chrono::microseconds;

  virtual ~Clock() = default;
  // Time since an arbitrary, fixed origin; never goes backwards.
  virtual Duration Now() const = 0;
  virtual void SleepFor(Duration d) = 0;

  void SleepMs(int ms) { SleepFor(std::chrono::milliseconds(ms)); }
};

class RealClock final : public Clock {
 public:
  Duration Now() const override;
  void SleepFor(Duration d) override;
};

// Time advances only when someone sleeps (or Advance is called).
class SimulatedClock final : public Clock {
 public:
  Duration Now() const override { return Duration(now_.load(std::memory_order_relaxed)); }
  void SleepFor(Duration d) override { Advance(d); }
  void Advance(Duration d) { now_.fetch_add(d.count(), std::memory_order_relaxed); }

 private:
  std::atomic<Duration::rep> now_{0};
};

}  // namespace korval
