#include "rdm/line_arbiter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace korval {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

LineArbiter::Job Note(std::vector<int>& ran, int id, std::chrono::microseconds budget = 1ms) {
  return {.run = [&ran, id] { ran.push_back(id); }, .budget = budget};
}

TEST(LineArbiterTest, AFullQueueDropsItsOldestAndKeepsTheOrderOfTheRest) {
  LineArbiter arbiter;
  std::vector<int> ran;
  for (int id = 1; id <= 16; ++id) EXPECT_TRUE(arbiter.Submit(Note(ran, id)));
  EXPECT_FALSE(arbiter.Submit(Note(ran, 17)));
  EXPECT_FALSE(arbiter.Submit(Note(ran, 18)));
  EXPECT_EQ(arbiter.Waiting(), 16u);
  EXPECT_EQ(arbiter.Dropped(), 2u);
  EXPECT_EQ(arbiter.RunAll(), 16u);
  ASSERT_EQ(ran.size(), 16u);
  EXPECT_EQ(ran.front(), 3);
  EXPECT_EQ(ran.back(), 18);
  EXPECT_EQ(arbiter.Waiting(), 0u);
}

// A job that does not fit stops the run: the jobs behind it may be smaller,
// but they must not overtake it.
TEST(LineArbiterTest, RunsOnlyWhatFitsAndNeverOvertakes) {
  LineArbiter arbiter;
  std::vector<int> ran;
  arbiter.Submit(Note(ran, 1, 5ms));
  arbiter.Submit(Note(ran, 2, 15ms));
  arbiter.Submit(Note(ran, 3, 1ms));
  std::chrono::microseconds left = 17ms;
  auto fits = [&left](std::chrono::microseconds budget) {
    if (budget > left) return false;
    left -= budget;
    return true;
  };
  EXPECT_EQ(arbiter.RunWaiting(fits), 1u);
  EXPECT_THAT(ran, ElementsAre(1));
  left = 17ms;
  EXPECT_EQ(arbiter.RunWaiting(fits), 2u);
  EXPECT_THAT(ran, ElementsAre(1, 2, 3));
  EXPECT_EQ(arbiter.RunWaiting(fits), 0u);
}

// A job may submit the next one (a controller answered at once asks again).
TEST(LineArbiterTest, AJobMaySubmitAnother) {
  LineArbiter arbiter;
  std::vector<int> ran;
  arbiter.Submit({.run =
                      [&] {
                        ran.push_back(1);
                        arbiter.Submit(Note(ran, 2));
                      },
                  .budget = 1ms});
  EXPECT_EQ(arbiter.RunAll(), 2u);
  EXPECT_THAT(ran, ElementsAre(1, 2));
}

// Three users of the line at once: frames, the window's exchanges and the
// network's jobs, run from two threads, never hold the line together; the
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
                            const LineArbiter::Turn turn = arbiter.Take();
                            use();
                            ++jobsRun;
                          },
                      .budget = 1ms});
    }
    done = true;
  });
  std::thread output([&] {
    while (!done) {
      {
        const LineArbiter::Turn turn = arbiter.Take();
        use();
      }
      arbiter.RunWaiting([](std::chrono::microseconds) { return true; });
    }
  });
  for (int i = 0; i < 2000; ++i) {
    const LineArbiter::Turn turn = arbiter.Take();
    use();
  }
  network.join();
  output.join();
  arbiter.RunAll();
  EXPECT_EQ(most.load(), 1);
  EXPECT_EQ(static_cast<std::uint64_t>(jobsRun.load()) + arbiter.Dropped(), 2000u);
}

}  // namespace
}  // namespace korval
