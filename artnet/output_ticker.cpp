#include "artnet/output_ticker.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

namespace korval::artnet {

namespace {

// The priority the thread got, 0 when refused. A refusal is the ordinary case
// for a user without the right, and no error.
int RequestRealTime(std::thread& thread) {
  const auto ask = [&thread](int priority) {
    sched_param param{};
    param.sched_priority = priority;
    return ::pthread_setschedparam(thread.native_handle(), SCHED_FIFO, &param) == 0;
  };
  if (ask(kTickerRealTimePriority)) return kTickerRealTimePriority;
  // Without CAP_SYS_NICE the kernel allows priorities up to the soft limit only.
  rlimit limit{};
  if (::getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == 0 ||
      limit.rlim_cur >= static_cast<rlim_t>(kTickerRealTimePriority)) {
    return 0;
  }
  const int allowed = static_cast<int>(limit.rlim_cur);
  return ask(allowed) ? allowed : 0;
}

}  // namespace

bool SteadyTickClock::WaitUntil(TimePoint deadline) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_until(lock, deadline, [this] { return interrupted_; });
}

void SteadyTickClock::Interrupt() {
  {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
  }
  wake_.notify_all();
}

TickClock::TimePoint ManualTickClock::Now() {
  std::lock_guard lock(mutex_);
  return now_;
}

bool ManualTickClock::WaitUntil(TimePoint deadline) {
  std::unique_lock lock(mutex_);
  ++entered_;
  deadlines_.push_back(deadline);
  changed_.notify_all();
  const std::int64_t mine = entered_;
  changed_.wait(lock, [&] { return interrupted_ || granted_ >= mine; });
  if (interrupted_) return false;
  if (now_ < deadline) now_ = deadline;
  return true;
}

void ManualTickClock::Interrupt() {
  {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
  }
  changed_.notify_all();
}

bool ManualTickClock::RunTicks(int n, std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  granted_ += n;
  changed_.notify_all();
  // The tick of wait k has finished once wait k + 1 has begun.
  return changed_.wait_for(lock, limit, [&] { return interrupted_ || entered_ > granted_; }) &&
         !interrupted_;
}

void ManualTickClock::Advance(std::chrono::steady_clock::duration d) {
  std::lock_guard lock(mutex_);
  now_ += d;
}

std::vector<TickClock::TimePoint> ManualTickClock::Deadlines() {
  std::lock_guard lock(mutex_);
  return deadlines_;
}

OutputTicker::OutputTicker(Tick tick, std::shared_ptr<TickClock> clock,
                           std::chrono::steady_clock::duration period, TickerScheduling scheduling)
    : tick_(std::move(tick)), clock_(std::move(clock)), period_(period) {
  thread_ = std::thread([this] { Run(); });
  // Changed from here rather than from inside, so that the outcome is known
  // when the constructor returns; until then the thread is only waiting for its
  // first deadline.
  if (scheduling == TickerScheduling::kRealTimeWhenAllowed) {
    realTimePriority_ = RequestRealTime(thread_);
  }
}

OutputTicker::OutputTicker(const std::function<void()>& tick, std::shared_ptr<TickClock> clock,
                           std::chrono::steady_clock::duration period, TickerScheduling scheduling)
    : OutputTicker(Tick([tick](TickClock::TimePoint) { tick(); }), std::move(clock), period,
                   scheduling) {}

OutputTicker::~OutputTicker() {
  Stop();
}

void OutputTicker::Stop() {
  clock_->Interrupt();
  if (thread_.joinable()) thread_.join();
}

void OutputTicker::Run() {
  auto next = clock_->Now() + period_;
  while (clock_->WaitUntil(next)) {
    tick_(next + period_);
    next += period_;
    const auto now = clock_->Now();
    if (now >= next + period_) next += ((now - next) / period_) * period_;
  }
}

}  // namespace korval::artnet
