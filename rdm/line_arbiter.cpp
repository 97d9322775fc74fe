#include "rdm/line_arbiter.h"

#include <algorithm>
#include <condition_variable>
#include <utility>

namespace korval {

namespace {

// A waiter looks again this often whether the frames have stopped meanwhile.
constexpr std::chrono::milliseconds kRecheck{20};

}  // namespace

// An exchange of another thread, waiting for the output thread to give it a
// gap: `go` when it may start, `done` when its turn has ended; `cancelled`
// when the frames stopped first and it went ahead on its own.
struct LineArbiter::Turn::Handoff {
  std::mutex mutex;
  std::condition_variable changed;
  bool go = false;
  bool done = false;
  bool cancelled = false;
};

LineArbiter::Turn::Turn(std::mutex& m, std::shared_ptr<Handoff> handoff)
    : lock_(m), handoff_(std::move(handoff)) {}

LineArbiter::Turn::~Turn() {
  if (lock_.owns_lock()) lock_.unlock();
  if (!handoff_) return;
  {
    std::lock_guard lock(handoff_->mutex);
    handoff_->done = true;
  }
  handoff_->changed.notify_all();
}

void LineArbiter::SetClock(Now now) {
  std::lock_guard lock(scheduleMutex_);
  now_ = std::move(now);
}

LineArbiter::TimePoint LineArbiter::Clock() const {
  std::lock_guard lock(scheduleMutex_);
  return now_();
}

LineArbiter::Turn LineArbiter::TakeBetweenFrames(std::chrono::microseconds budget) {
  const bool nobodyWaits = Waiting() == 0;
  {
    std::lock_guard lock(scheduleMutex_);
    if (!nextFrame_ || std::this_thread::get_id() == frameThread_) return Turn(line_, nullptr);
    // The rest of a gap is anybody's: an exchange that fits in it need not
    // wait for the next frame to be handed a turn.
    if (nobodyWaits && now_() + budget <= *nextFrame_) {
      std::unique_lock line(line_, std::try_to_lock);
      if (line.owns_lock()) return Turn(std::move(line));
    }
  }
  using Handoff = Turn::Handoff;
  auto handoff = std::make_shared<Handoff>();
  Submit({.run =
              [handoff] {
                std::unique_lock lock(handoff->mutex);
                if (handoff->cancelled) return;
                handoff->go = true;
                handoff->changed.notify_all();
                // The gap is this exchange's until it gives the turn back.
                handoff->changed.wait(lock, [&] { return handoff->done; });
              },
          .budget = budget,
          .expired = {},
          .submitted = {},
          .network = false});
  std::unique_lock lock(handoff->mutex);
  while (!handoff->go) {
    handoff->changed.wait_for(lock, kRecheck);
    if (!handoff->go && !FramesGoOut()) {
      // Nobody runs the queue for it any more: it goes ahead alone.
      handoff->cancelled = true;
      return Turn(line_, nullptr);
    }
  }
  lock.unlock();
  return Turn(line_, std::move(handoff));
}

std::size_t LineArbiter::FrameSent(TimePoint nextFrame, std::chrono::microseconds gap) {
  {
    std::lock_guard lock(scheduleMutex_);
    nextFrame_ = nextFrame;
    frameThread_ = std::this_thread::get_id();
  }
  return RunWaiting([nextFrame, gap](TimePoint now, std::chrono::microseconds budget, bool first) {
    // Longer than any gap: it goes first in one, and the next frame waits.
    return now + budget <= nextFrame || (first && budget > gap);
  });
}

void LineArbiter::FramesStopped() {
  std::lock_guard lock(scheduleMutex_);
  nextFrame_.reset();
}

bool LineArbiter::FramesGoOut() const {
  std::lock_guard lock(scheduleMutex_);
  return nextFrame_.has_value();
}

bool LineArbiter::Submit(Job job) {
  job.submitted = Clock();
  std::lock_guard lock(queueMutex_);
  bool kept = true;
  if (job.network && std::count_if(queue_.begin(), queue_.end(), [](const Job& j) {
                       return j.network;
                     }) >= static_cast<std::ptrdiff_t>(kQueueLimit)) {
    // The oldest request from the network makes room; another thread's
    // exchange waits for its turn and is never dropped.
    queue_.erase(
        std::find_if(queue_.begin(), queue_.end(), [](const Job& j) { return j.network; }));
    ++dropped_;
    kept = false;
  }
  queue_.push_back(std::move(job));
  return kept;
}

std::size_t LineArbiter::RunWaiting(
    const std::function<bool(TimePoint now, std::chrono::microseconds budget, bool first)>& fits) {
  std::size_t ran = 0;
  for (;;) {
    Job job;
    bool late = false;
    {
      const TimePoint now = Clock();
      std::lock_guard lock(queueMutex_);
      if (queue_.empty()) return ran;
      late = queue_.front().network && now - queue_.front().submitted > kMaxWait;
      if (!late && !fits(now, queue_.front().budget, ran == 0)) return ran;
      job = std::move(queue_.front());
      queue_.pop_front();
      if (late) ++expired_;
    }
    // Run outside the queue's lock: the network thread never waits for an
    // exchange to end.
    if (late) {
      if (job.expired) job.expired();
      continue;
    }
    job.run();
    ++ran;
  }
}

std::size_t LineArbiter::RunAll() {
  return RunWaiting([](TimePoint, std::chrono::microseconds, bool) { return true; });
}

std::size_t LineArbiter::Waiting() const {
  std::lock_guard lock(queueMutex_);
  return queue_.size();
}

std::uint64_t LineArbiter::Dropped() const {
  std::lock_guard lock(queueMutex_);
  return dropped_;
}

std::uint64_t LineArbiter::Expired() const {
  std::lock_guard lock(queueMutex_);
  return expired_;
}

}  // namespace korval
