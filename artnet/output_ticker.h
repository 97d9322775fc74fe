// The 40 ms output ticker: a thread of its own that calls the tick against a
// steady clock. The next deadline is the last deadline plus the period, so the
// ticks do not drift; ticks missed by a whole period (the machine stalled) are
// skipped rather than sent in a burst. The clock is injectable so that tests
// and benchmarks decide when a deadline has come.
//
// On a busy machine an ordinary thread wakes milliseconds late, and DMX512
// receivers show that as a stutter. So the thread asks for SCHED_FIFO when the
// process may have it (root, CAP_SYS_NICE, or an RLIMIT_RTPRIO such as Debian's
// limits.d grants to a group); when it may not, it runs as an ordinary thread,
// without a word: the output works either way, only less evenly.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace korval::artnet {

inline constexpr std::chrono::milliseconds kOutputPeriod{40};
// Modest: above every ordinary thread, below the kernel's own real-time threads
// (interrupt threads run at 50). An RLIMIT_RTPRIO below it is used as it is.
inline constexpr int kTickerRealTimePriority = 10;

enum class TickerScheduling {
  kRealTimeWhenAllowed,
  kOrdinary,  // never asks (for comparison)
};

class TickClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~TickClock() = default;
  virtual TimePoint Now() = 0;
  // Waits until the deadline; false when Interrupt came first.
  virtual bool WaitUntil(TimePoint deadline) = 0;
  // Ends the current wait and every later one.
  virtual void Interrupt() = 0;
};

// The real clock: sleeps on the steady clock, woken within the kernel's timer
// slack (well under 1 ms on Linux).
class SteadyTickClock final : public TickClock {
 public:
  TimePoint Now() override { return std::chrono::steady_clock::now(); }
  bool WaitUntil(TimePoint deadline) override;
  void Interrupt() override;

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool interrupted_ = false;
};

// A clock for tests: time stands still until the test lets ticks through.
// Each granted deadline sets the time to that deadline.
class ManualTickClock final : public TickClock {
 public:
  TimePoint Now() override;
  bool WaitUntil(TimePoint deadline) override;
  void Interrupt() override;

  // Lets n more deadlines pass and waits (at most `limit`) until the ticks
  // they start have finished. False if they did not finish in time.
  bool RunTicks(int n, std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Moves the time on, as a slow tick or a stalled machine would.
  void Advance(std::chrono::steady_clock::duration d);
  std::vector<TimePoint> Deadlines();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  TimePoint now_{std::chrono::seconds(1000)};
  std::vector<TimePoint> deadlines_;
  std::int64_t granted_ = 0;
  std::int64_t entered_ = 0;  // waits begun
  bool interrupted_ = false;
};

class OutputTicker {
 public:
  // The tick learns when the next one is due, to fit work into the gap.
  using Tick = std::function<void(TickClock::TimePoint nextDeadline)>;

  // Starts the thread; the first tick comes one period from now.
  OutputTicker(Tick tick, std::shared_ptr<TickClock> clock,
               std::chrono::steady_clock::duration period = kOutputPeriod,
               TickerScheduling scheduling = TickerScheduling::kRealTimeWhenAllowed);
  OutputTicker(const std::function<void()>& tick, std::shared_ptr<TickClock> clock,
               std::chrono::steady_clock::duration period = kOutputPeriod,
               TickerScheduling scheduling = TickerScheduling::kRealTimeWhenAllowed);
  ~OutputTicker();
  OutputTicker(const OutputTicker&) = delete;
  OutputTicker& operator=(const OutputTicker&) = delete;

  // Returns once the thread has ended; a tick under way is finished first.
  void Stop();

  // The SCHED_FIFO priority the thread runs at; 0 when it runs as an ordinary
  // thread (refused, or not asked).
  int RealTimePriority() const { return realTimePriority_; }

 private:
  void Run();

  Tick tick_;
  std::shared_ptr<TickClock> clock_;
  std::chrono::steady_clock::duration period_;
  std::thread thread_;
  int realTimePriority_ = 0;
};

}  // namespace korval::artnet
