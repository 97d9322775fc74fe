#include "rdm/line_arbiter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace korval {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using TimePoint = LineArbiter::TimePoint;

constexpr std::chrono::microseconds kGap = 17ms;

// The arbiter on a clock the test moves; a job takes its budget of it.
struct Arbiter {
  std::atomic<TimePoint::rep> now{0};
  LineArbiter arbiter;
  std::vector<int> ran;
  std::vector<int> expired;

  Arbiter() {
    arbiter.SetClock([this] { return TimePoint(TimePoint::duration(now.load())); });
  }
  TimePoint Now() const { return TimePoint(TimePoint::duration(now.load())); }
  void Advance(std::chrono::microseconds d) {
    now += std::chrono::duration_cast<TimePoint::duration>(d).count();
  }
  void Submit(int id, std::chrono::microseconds budget = 1ms) {
    arbiter.Submit({.run =
                        [this, id, budget] {
                          ran.push_back(id);
                          Advance(budget);
                        },
                    .budget = budget,
                    .expired = [this, id] { expired.push_back(id); }});
  }
  // A frame has gone; the next is due one gap from now.
  std::size_t Frame() { return arbiter.FrameSent(Now() + kGap, kGap); }
};

TEST(LineArbiterTest, AFullQueueDropsItsOldestAndKeepsTheOrderOfTheRest) {
  Arbiter a;
  for (int id = 1; id <= 18; ++id) a.Submit(id);
  EXPECT_EQ(a.arbiter.Waiting(), 16u);
  EXPECT_EQ(a.arbiter.Dropped(), 2u);
  EXPECT_EQ(a.arbiter.RunAll(), 16u);
  ASSERT_EQ(a.ran.size(), 16u);
  EXPECT_EQ(a.ran.front(), 3);
  EXPECT_EQ(a.ran.back(), 18);
}

// In each gap the jobs that end before the next frame run, in their order; a
// job longer than any gap goes first in the next one (the frame after it is
// late), so nothing is stuck behind it.
TEST(LineArbiterTest, EachGapRunsWhatFitsInOrderAndALongJobGoesFirstInAGap) {
  Arbiter a;
  a.Submit(1, 5ms);
  a.Submit(2, 15ms);
  a.Submit(3, 1ms);
  a.Submit(4, 25ms);  // a SET of 231 bytes: longer than any gap
  a.Submit(5, 1ms);
  std::vector<std::vector<int>> gaps;
  for (int frame = 0; frame < 4; ++frame) {
    const std::size_t before = a.ran.size();
    a.Frame();
    gaps.emplace_back(a.ran.begin() + static_cast<std::ptrdiff_t>(before), a.ran.end());
  }
  EXPECT_THAT(gaps, ElementsAre(ElementsAre(1), ElementsAre(2, 3), ElementsAre(4), ElementsAre(5)));
}

TEST(LineArbiterTest, AJobThatWaitedLongerThanControllersWaitIsDroppedUnsent) {
  Arbiter a;
  a.Submit(1);
  a.Advance(LineArbiter::kMaxWait + 1ms);
  a.Submit(2);
  EXPECT_EQ(a.arbiter.RunAll(), 1u);
  EXPECT_THAT(a.ran, ElementsAre(2));
  EXPECT_THAT(a.expired, ElementsAre(1));
  EXPECT_EQ(a.arbiter.Expired(), 1u);
}

// A job may submit the next one (a controller answered at once asks again).
TEST(LineArbiterTest, AJobMaySubmitAnother) {
  Arbiter a;
  a.arbiter.Submit({.run =
                        [&] {
                          a.ran.push_back(1);
                          a.Submit(2);
                        },
                    .budget = 1ms});
  EXPECT_EQ(a.arbiter.RunAll(), 2u);
  EXPECT_THAT(a.ran, ElementsAre(1, 2));
}

// While frames go out, another thread's exchange waits in the queue with the
// network's requests and gets its gap as they do: in order, never overtaken.
// Without frames it goes at once, and frames that stop release a waiting one.
TEST(LineArbiterTest, AnotherThreadsExchangeTakesItsTurnInTheGapsInOrder) {
  Arbiter a;
  { (void)a.arbiter.TakeBetweenFrames(1h); }  // no frames: at once
  std::mutex order;
  auto exchange = [&](int id, std::chrono::microseconds budget) {
    return std::thread([&a, &order, id, budget] {
      const LineArbiter::Turn turn = a.arbiter.TakeBetweenFrames(budget);
      std::lock_guard lock(order);
      a.ran.push_back(id);
      a.Advance(budget);
    });
  };
  auto waiting = [&](std::size_t n) {
    while (a.arbiter.Waiting() < n) std::this_thread::yield();
  };
  a.Frame();
  a.Submit(1, 12ms);
  std::thread window = exchange(2, 8ms);
  waiting(2);
  a.Submit(3, 1ms);
  a.Frame();  // 1 fits; 2 does not after it, and 3 must not overtake
  {
    std::lock_guard lock(order);
    EXPECT_THAT(a.ran, ElementsAre(1));
  }
  a.Frame();
  window.join();
  EXPECT_THAT(a.ran, ElementsAre(1, 2, 3));

  // What is left of the gap, with nothing waiting, is taken at once.
  exchange(4, 8ms).join();
  EXPECT_EQ(a.ran.back(), 4);

  // Frames that stop leave nobody to run the queue: the exchange goes alone.
  a.Advance(kGap);
  std::thread alone = exchange(5, 8ms);
  waiting(1);
  a.arbiter.FramesStopped();
  alone.join();
  EXPECT_EQ(a.ran.back(), 5);
  EXPECT_EQ(a.arbiter.RunAll(), 1u);  // its place in the queue, now empty-handed
}

// Three users of the line at once: frames, the window's exchanges and the
// network's jobs, run from three threads, never hold the line together; the
// network thread keeps submitting meanwhile.
TEST(LineArbiterTest, NoTwoUsersEverHoldTheLineTogether) {
  LineArbiter arbiter;
  std::atomic<int> onLine{0};
  std::atomic<int> most{0};
  std::atomic<int> jobsRun{0};
  auto use = [&] {
    const int now = ++onLine;
    int seen = most.load();
    while (now > seen && !most.compare_exchange_weak(seen, now)) {
    }
    std::this_thread::yield();
    --onLine;
  };
  std::atomic<bool> done{false};
  std::thread network([&] {
    for (int i = 0; i < 2000; ++i) {
      arbiter.Submit({.run =
                          [&] {
                            const LineArbiter::Turn turn = arbiter.TakeBetweenFrames(1us);
                            use();
                            ++jobsRun;
                          },
                      .budget = 1us});
    }
    done = true;
  });
  std::thread output([&] {
    while (!done) {
      {
        const LineArbiter::Turn turn = arbiter.Take();
        use();
      }
      arbiter.FrameSent(arbiter.Clock() + 1ms, 1ms);
    }
    arbiter.FramesStopped();
  });
  for (int i = 0; i < 2000; ++i) {
    const LineArbiter::Turn turn = arbiter.TakeBetweenFrames(1us);
    use();
  }
  network.join();
  output.join();
  arbiter.RunAll();
  EXPECT_EQ(most.load(), 1);
  EXPECT_EQ(static_cast<std::uint64_t>(jobsRun.load()) + arbiter.Dropped() + arbiter.Expired(),
            2000u);
}

}  // namespace
}  // namespace korval
