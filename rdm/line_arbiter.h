// Who may use the line, and when. The line carries three kinds of traffic: the
// window's RDM work, the DMX512 frames of the output thread, and RDM requests
// that controllers on the network send to our fixtures. Every exchange and
// every frame is done under the line's turn, so no two of them ever share the
// wire.
//
// While DMX512 frames go out, they keep their period: an exchange takes the
// turn only when it ends before the next frame is due (E1.20 lets RDM and
// null-start-code frames alternate on a line). One that is longer than any
// gap between frames goes right after a frame, and the frame after it waits
// for it: at most one such exchange's overrun, far inside the 1 s DMX512
// allows between breaks.
//
// Requests from the network wait in a small queue until a thread that may
// use the line runs them: the output thread in the gap after a frame, the
// window thread when no handler is under way while no frames go out. The
// queue is bounded (a full queue drops its oldest request: the controller
// that sent it times out and asks again, as after a lost datagram), and a
// request that has waited longer than its controller waits for the answer is
// dropped unsent, never carried out late.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace korval {

class LineArbiter {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Now = std::function<TimePoint()>;

  static constexpr std::size_t kQueueLimit = 16;
  // Controllers give up on a request after about 2 s (OLA: 2 s); one that has
  // waited this long is dropped unsent, with time left for an exchange and
  // the network.
  static constexpr std::chrono::milliseconds kMaxWait{1500};

  // One request from the network: `run` does the exchange (taking the turn, as
  // every user of the line does) and answers it; `budget` is the longest line
  // time it may take; `expired`, if given, is called instead of `run` for a
  // request that waited too long.
  struct Job {
    std::function<void()> run;
    std::chrono::microseconds budget{0};
    std::function<void()> expired{};
    TimePoint submitted{};  // set by Submit
    bool network = true;    // false: an exchange of another thread waiting its turn
  };

  // The line for one exchange or one frame; released when it goes.
  class Turn {
   public:
    Turn(Turn&&) = default;
    Turn& operator=(Turn&&) = delete;
    ~Turn();

   private:
    friend class LineArbiter;
    struct Handoff;
    Turn(std::mutex& m, std::shared_ptr<Handoff> handoff);
    explicit Turn(std::unique_lock<std::mutex> held) : lock_(std::move(held)) {}
    std::unique_lock<std::mutex> lock_;
    std::shared_ptr<Handoff> handoff_;  // told when the turn ends
  };

  // The clock of the frame schedule and of the queue (the steady clock unless
  // set; tests set one they drive).
  void SetClock(Now now);
  TimePoint Clock() const;

  // The turn whatever the frames' schedule: for the frames themselves.
  [[nodiscard]] Turn Take() { return Turn(line_, nullptr); }
  // The turn for an exchange of at most `budget` of line time: at once while
  // no frames go out, or on the thread that sends them, or when nothing waits
  // and the line is free and the exchange ends before the next frame is due;
  // otherwise it waits in the queue with the network's requests, in the order
  // they came, until the output thread finds it a gap (as it does for them)
  // and hands it the turn.
  [[nodiscard]] Turn TakeBetweenFrames(std::chrono::microseconds budget);

  // The output thread, right after a frame has left the wire: when the next
  // one is due and how long the gaps between frames are. Then it runs, in the
  // order they came, the waiting jobs that end before that frame (the first
  // one also when it is longer than any gap). Returns how many ran.
  std::size_t FrameSent(TimePoint nextFrame, std::chrono::microseconds gap);
  // No frames go out (the output page is not shown, or the output failed).
  void FramesStopped();
  bool FramesGoOut() const;

  // Any thread. False when the oldest waiting job was dropped to make room.
  bool Submit(Job job);
  // Runs every waiting job, on the calling thread, in the order they came.
  std::size_t RunAll();

  std::size_t Waiting() const;
  // Dropped for room, and dropped because they waited too long.
  std::uint64_t Dropped() const;
  std::uint64_t Expired() const;

 private:
  // Runs waiting jobs while fits(now, budget, first) says the next one may go; the
  // first that may not waits for the next call.
  std::size_t RunWaiting(
      const std::function<bool(TimePoint now, std::chrono::microseconds budget, bool first)>& fits);

  std::mutex line_;  // the turn

  mutable std::mutex scheduleMutex_;
  Now now_ = [] { return std::chrono::steady_clock::now(); };
  std::optional<TimePoint> nextFrame_;  // none: no frames go out
  std::thread::id frameThread_;

  mutable std::mutex queueMutex_;
  std::deque<Job> queue_;
  std::uint64_t dropped_ = 0;
  std::uint64_t expired_ = 0;
};

}  // namespace korval
