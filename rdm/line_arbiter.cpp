#include "rdm/line_arbiter.h"

#include <utility>

namespace korval {

bool LineArbiter::Submit(Job job) {
  std::lock_guard lock(queueMutex_);
  bool kept = true;
  if (queue_.size() >= kQueueLimit) {
    queue_.pop_front();
    ++dropped_;
    kept = false;
  }
  queue_.push_back(std::move(job));
  return kept;
}

std::size_t LineArbiter::RunWaiting(
    const std::function<bool(std::chrono::microseconds budget)>& fits) {
  std::size_t ran = 0;
  for (;;) {
    Job job;
    {
      std::lock_guard lock(queueMutex_);
      if (queue_.empty() || !fits(queue_.front().budget)) return ran;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    // Run outside the queue's lock: the network thread never waits for an
    // exchange to end.
    job.run();
    ++ran;
  }
}

std::size_t LineArbiter::RunAll() {
  return RunWaiting([](std::chrono::microseconds) { return true; });
}

std::size_t LineArbiter::Waiting() const {
  std::lock_guard lock(queueMutex_);
  return queue_.size();
}

std::uint64_t LineArbiter::Dropped() const {
  std::lock_guard lock(queueMutex_);
  return dropped_;
}

}  // namespace korval
