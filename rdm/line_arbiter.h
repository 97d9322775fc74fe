// Who may use the line, and when. The line carries three kinds of traffic: the
// window's RDM work, the DMX512 frames of the output thread, and RDM requests
// that controllers on the network send to our fixtures. Every exchange and
// every frame is done under the line's turn, so no two of them ever share the
// wire. Requests from the network wait in a small queue until a thread that
// may use the line runs them: the output thread in the gap after a frame while
// the Art-Net page is shown, the window thread when no handler is under way
// while another page is.
//
// The queue is bounded. A full queue drops its oldest request: the controller
// that sent it times out and asks again, as after a lost datagram, while the
// newest requests (the ones their controllers still wait for) go on.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace korval {

class LineArbiter {
 public:
  static constexpr std::size_t kQueueLimit = 16;

  // One request from the network: `run` does the exchange (taking the turn, as
  // every user of the line does) and answers it; `budget` is the longest line
  // time it may take.
  struct Job {
    std::function<void()> run;
    std::chrono::microseconds budget{0};
  };

  // The line for one exchange or one frame; released when it goes.
  class Turn {
   private:
    friend class LineArbiter;
    explicit Turn(std::mutex& m) : lock_(m) {}
    std::unique_lock<std::mutex> lock_;
  };

  [[nodiscard]] Turn Take() { return Turn(line_); }

  // Any thread. False when the oldest waiting job was dropped to make room.
  bool Submit(Job job);

  // Runs waiting jobs in the order they came, on the calling thread, while
  // fits(job's budget) says the next one still fits; the first that does not
  // waits for the next call. Returns how many ran.
  std::size_t RunWaiting(const std::function<bool(std::chrono::microseconds budget)>& fits);
  // Runs every waiting job.
  std::size_t RunAll();

  std::size_t Waiting() const;
  std::uint64_t Dropped() const;

 private:
  std::mutex line_;  // the turn
  mutable std::mutex queueMutex_;
  std::deque<Job> queue_;
  std::uint64_t dropped_ = 0;
};

}  // namespace korval
