#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "artnet/dmx_output.h"
#include "artnet/monitor_grid.h"
#include "artnet/output_ticker.h"
#include "base/tests/ordinary_user.h"
#include "sim/virtual_line.h"

namespace korval::artnet {
namespace {

using namespace std::chrono_literals;

struct OutputRig {
  OutputRig() { line.Open(0, &handle); }
  DmxOutputTarget Target() {
    return {pageShown,    line,       [this] { return handle; },
            *artNetInput, *dmxOutput, [this] { ++failures; }};
  }
  sim::VirtualLine line{sim::Timing::kInstant};
  LineHandle handle = 0;
  std::atomic<bool> pageShown{true};
  std::unique_ptr<DmxSlots> artNetInput = std::make_unique<DmxSlots>();
  std::unique_ptr<DmxSlots> dmxOutput = std::make_unique<DmxSlots>();
  int failures = 0;
};

TEST(DmxOutputTick, SendsStartCodeAndTheLatestInputOnlyWhileThePageIsShown) {
  OutputRig rig;
  (*rig.artNetInput)[0].store(11);
  (*rig.artNetInput)[511].store(255);

  rig.pageShown = false;
  EXPECT_EQ(DmxOutputTick(rig.Target()), TickResult::kNotShown);
  EXPECT_EQ(rig.line.DmxFrameCount(), 0u);
  EXPECT_EQ((*rig.dmxOutput)[0].load(), 0);  // nothing copied either

  rig.pageShown = true;
  EXPECT_EQ(DmxOutputTick(rig.Target()), TickResult::kSent);
  ASSERT_EQ(rig.line.DmxFrameCount(), 1u);
  auto frame = rig.line.LastDmxFrame();
  EXPECT_EQ(frame[0], 0x00);
  EXPECT_EQ(frame[1], 11);
  EXPECT_EQ(frame[512], 255);
  EXPECT_EQ((*rig.dmxOutput)[511].load(), 255);

  (*rig.artNetInput)[0].store(12);
  DmxOutputTick(rig.Target());
  EXPECT_EQ(rig.line.LastDmxFrame()[1], 12);
  EXPECT_EQ(rig.failures, 0);
}

TEST(DmxOutputTick, AFailedWriteCallsTheFailurePathEveryTick) {
  OutputRig rig;
  rig.line.Unplug();
  EXPECT_EQ(DmxOutputTick(rig.Target()), TickResult::kWriteFailed);
  EXPECT_EQ(DmxOutputTick(rig.Target()), TickResult::kWriteFailed);
  EXPECT_EQ(rig.failures, 2);
  rig.line.Plug();
  EXPECT_EQ(DmxOutputTick(rig.Target()), TickResult::kSent);
  EXPECT_EQ(rig.failures, 2);
}

TEST(OutputTicker, DeadlinesFollowThePeriodWhateverTheTicksTake) {
  auto clock = std::make_shared<ManualTickClock>();
  const auto start = clock->Now();
  int ticks = 0;
  OutputTicker ticker(
      [&] {
        ++ticks;
        clock->Advance(ticks == 3 ? 130ms : 25ms);  // the third tick stalls past two deadlines
      },
      clock);
  ASSERT_TRUE(clock->RunTicks(5));
  ticker.Stop();
  EXPECT_EQ(ticks, 5);
  const auto deadlines = clock->Deadlines();
  ASSERT_GE(deadlines.size(), 6u);
  std::vector<std::chrono::milliseconds> offsets;
  for (const auto d : deadlines) {
    offsets.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(d - start));
  }
  // 120 + 130 = 250: the deadlines at 160 and 200 are gone; the one at 240 is
  // late and runs at once, and the phase of 40 ms is kept.
  EXPECT_EQ((std::vector<std::chrono::milliseconds>(offsets.begin(), offsets.begin() + 6)),
            (std::vector<std::chrono::milliseconds>{40ms, 80ms, 120ms, 240ms, 280ms, 320ms}));
}

TEST(OutputTicker, StopsAtOnceOnTheRealClock) {
  std::atomic<int> ticks{0};
  {
    OutputTicker ticker([&] { ++ticks; }, std::make_shared<SteadyTickClock>(), 1h);
  }
  EXPECT_EQ(ticks.load(), 0);
}

// Sets RLIMIT_RTPRIO for the test's span and puts the old one back. Raising the
// hard limit takes root; the caller skips when it cannot.
class RtPrioLimit {
 public:
  explicit RtPrioLimit(rlim_t soft) {
    ::getrlimit(RLIMIT_RTPRIO, &saved_);
    rlimit wanted{soft, std::max(soft, saved_.rlim_max)};
    set_ = ::setrlimit(RLIMIT_RTPRIO, &wanted) == 0;
  }
  ~RtPrioLimit() { ::setrlimit(RLIMIT_RTPRIO, &saved_); }
  bool Set() const { return set_; }

 private:
  rlimit saved_{};
  bool set_ = false;
};

// The ticks as an ordinary user would have them: under root, with the
// effective user nobody, which holds no capability.
int PriorityAsOrdinaryUser(TickerScheduling scheduling, int* ticks) {
  std::string directory = (std::filesystem::temp_directory_path() / "ticker-XXXXXX").string();
  if (::mkdtemp(directory.data()) == nullptr) return -1;
  int priority = -1;
  testing::RunAsOrdinaryUser(directory, [&] {
    auto clock = std::make_shared<ManualTickClock>();
    OutputTicker ticker([ticks] { ++*ticks; }, clock, kOutputPeriod, scheduling);
    priority = ticker.RealTimePriority();
    EXPECT_TRUE(clock->RunTicks(3));
  });
  std::filesystem::remove_all(directory);
  return priority;
}

TEST(OutputTicker, TicksAsAnOrdinaryThreadWhenRealTimeIsRefusedOrNotAsked) {
  {
    SCOPED_TRACE("not asked");
    int ticks = 0;
    EXPECT_EQ(PriorityAsOrdinaryUser(TickerScheduling::kOrdinary, &ticks), 0);
    EXPECT_EQ(ticks, 3);
  }
  {
    SCOPED_TRACE("refused: no rtprio limit and no privilege");
    RtPrioLimit none(0);
    ASSERT_TRUE(none.Set());
    int ticks = 0;
    EXPECT_EQ(PriorityAsOrdinaryUser(TickerScheduling::kRealTimeWhenAllowed, &ticks), 0);
    EXPECT_EQ(ticks, 3);
  }
}

TEST(OutputTicker, RootGetsTheFullPriorityWhateverTheLimit) {
  if (!testing::RunningAsRoot()) GTEST_SKIP() << "not root";
  RtPrioLimit none(0);
  auto clock = std::make_shared<ManualTickClock>();
  int ticks = 0;
  OutputTicker ticker([&ticks] { ++ticks; }, clock);
  EXPECT_EQ(ticker.RealTimePriority(), kTickerRealTimePriority);
  EXPECT_TRUE(clock->RunTicks(3));
  ticker.Stop();
  EXPECT_EQ(ticks, 3);
}

// What limits.d grants the members of a group: the priority asked for, or the
// limit when it is lower.
TEST(OutputTicker, AnOrdinaryUserGetsUpToItsRtprioLimit) {
  for (rlim_t limit : {rlim_t{20}, rlim_t{4}}) {
    SCOPED_TRACE("rtprio " + std::to_string(limit));
    RtPrioLimit granted(limit);
    if (!granted.Set()) GTEST_SKIP() << "the hard RLIMIT_RTPRIO is below " << limit;
    int ticks = 0;
    EXPECT_EQ(PriorityAsOrdinaryUser(TickerScheduling::kRealTimeWhenAllowed, &ticks),
              std::min(static_cast<int>(limit), kTickerRealTimePriority));
    EXPECT_EQ(ticks, 3);
  }
}

TEST(MonitorGrid, CellsHeadersAndTexts) {
  EXPECT_EQ(CellOfSlot(0).column, 1);
  EXPECT_EQ(CellOfSlot(0).row, 1);
  EXPECT_EQ(CellOfSlot(17).column, 2);
  EXPECT_EQ(CellOfSlot(17).row, 2);
  EXPECT_EQ(CellOfSlot(511).column, 16);
  EXPECT_EQ(CellOfSlot(511).row, 32);
  EXPECT_EQ(ColumnHeaderText(16), "16");
  EXPECT_EQ(RowHeaderText(1), "0");
  EXPECT_EQ(RowHeaderText(32), "496");
  auto slots = std::make_unique<DmxSlots>();
  (*slots)[5].store(7);
  (*slots)[511].store(255);
  const auto texts = MonitorCellTexts(*slots);
  EXPECT_EQ(texts[0], "0");
  EXPECT_EQ(texts[5], "7");
  EXPECT_EQ(texts[511], "255");
}

}  // namespace
}  // namespace korval::artnet
