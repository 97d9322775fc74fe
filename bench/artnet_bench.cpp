// The Art-Net bridge's two speed goals.
//
// OutputPeriod: the ticker on the steady clock, sending a DMX512 frame on an
// instant virtual line each tick, for 10 s of real time, in four runs: on an
// idle machine and with three busy threads of its own (more than the cores
// here), each with the ticker as an ordinary thread and with the real-time
// scheduling it asks for. Reports the mean period and the p99 and worst
// deviation from 40 ms, in milliseconds. Where real-time scheduling is not
// permitted, the real-time runs say so instead of giving figures.
//
// ArtDmxReceive: the receive callback on a full universe-0 packet (and on a
// packet that fails its last test): datagrams per second of CPU.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "artnet/art_dmx.h"
#include "artnet/dmx_output.h"
#include "artnet/output_ticker.h"
#include "sim/virtual_line.h"

namespace {

using namespace korval;
using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> Record(std::uint16_t length) {
  std::vector<std::uint8_t> r(artnet::kRecordHeaderBytes, 0);
  const std::uint8_t head[] = {'A',
                               'r',
                               't',
                               '-',
                               'N',
                               'e',
                               't',
                               0,
                               0x00,
                               0x50,
                               0,
                               14,
                               1,
                               0,
                               0,
                               0,
                               static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length)};
  r.insert(r.end(), std::begin(head), std::end(head));
  for (int k = 0; k < 512; ++k) r.push_back(static_cast<std::uint8_t>(k));
  return r;
}

// Threads that keep a core busy each until stopped, and never longer than
// the bound they were given.
class BusyThreads {
 public:
  BusyThreads(int count, Clock::duration bound) {
    const auto end = Clock::now() + bound;
    for (int k = 0; k < count; ++k) {
      threads_.emplace_back([this, end] {
        std::uint64_t x = 1;
        while (!stop_.load(std::memory_order_relaxed) && Clock::now() < end) {
          for (int i = 0; i < 1000; ++i) x = x * 6364136223846793005ULL + 1442695040888963407ULL;
          benchmark::DoNotOptimize(x);
        }
      });
    }
  }
  ~BusyThreads() {
    stop_ = true;
    for (auto& t : threads_) t.join();
  }
  BusyThreads(const BusyThreads&) = delete;
  BusyThreads& operator=(const BusyThreads&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

// Arguments: seconds of real time, busy threads, real time (1) or ordinary (0).
void OutputPeriod(benchmark::State& state) {
  const auto runFor = std::chrono::seconds(state.range(0));
  const int busy = static_cast<int>(state.range(1));
  const auto scheduling = state.range(2) != 0 ? artnet::TickerScheduling::kRealTimeWhenAllowed
                                              : artnet::TickerScheduling::kOrdinary;
  sim::VirtualLine line(sim::Timing::kInstant);
  LineHandle handle = 0;
  line.Open(0, &handle);
  auto input = std::make_unique<DmxSlots>();
  auto output = std::make_unique<DmxSlots>();
  std::atomic<bool> shown{true};
  const artnet::DmxOutputTarget target{shown,  line,    [handle] { return handle; },
                                       *input, *output, {}};
  std::vector<Clock::time_point> stamps;
  stamps.reserve(static_cast<std::size_t>(runFor / artnet::kOutputPeriod) + 64);
  std::mutex stampsMutex;

  int priority = 0;
  for (auto _ : state) {
    BusyThreads load(busy, runFor + std::chrono::seconds(5));
    artnet::OutputTicker ticker(
        [&] {
          const auto now = Clock::now();
          artnet::DmxOutputTick(target);
          std::lock_guard lock(stampsMutex);
          stamps.push_back(now);
        },
        std::make_shared<artnet::SteadyTickClock>(), artnet::kOutputPeriod, scheduling);
    priority = ticker.RealTimePriority();
    if (scheduling == artnet::TickerScheduling::kRealTimeWhenAllowed && priority == 0) {
      state.SkipWithError(
          "real-time scheduling is not permitted here (root, or an rtprio limit: see README)");
      break;
    }
    std::this_thread::sleep_for(runFor);
    ticker.Stop();
  }
  std::lock_guard lock(stampsMutex);
  std::vector<double> periods;
  for (std::size_t k = 1; k < stamps.size(); ++k) {
    periods.push_back(std::chrono::duration<double, std::milli>(stamps[k] - stamps[k - 1]).count());
  }
  if (periods.empty()) return;
  std::vector<double> deviations;
  for (double p : periods) deviations.push_back(std::abs(p - 40.0));
  std::sort(deviations.begin(), deviations.end());
  const auto at = [](const std::vector<double>& v, double q) {
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
  };
  state.SetLabel(priority > 0 ? "SCHED_FIFO " + std::to_string(priority) : "ordinary");
  state.counters["frames"] = static_cast<double>(stamps.size());
  state.counters["mean_ms"] =
      std::accumulate(periods.begin(), periods.end(), 0.0) / static_cast<double>(periods.size());
  state.counters["p99_dev_ms"] = at(deviations, 0.99);
  state.counters["worst_dev_ms"] = deviations.back();
  // Over the whole run: no drift means the frame count matches the time.
  const double spanMs =
      std::chrono::duration<double, std::milli>(stamps.back() - stamps.front()).count();
  state.counters["drift_ms"] = spanMs - 40.0 * static_cast<double>(periods.size());
}
BENCHMARK(OutputPeriod)
    ->ArgNames({"seconds", "busy_threads", "realtime"})
    ->ArgsProduct({{10}, {0, 3}, {0, 1}})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

void ArtDmxReceive(benchmark::State& state) {
  const auto record = Record(static_cast<std::uint16_t>(state.range(0)));
  auto input = std::make_unique<DmxSlots>();
  for (auto _ : state) {
    benchmark::DoNotOptimize(artnet::ArtDmxReceived(record, *input));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ArtDmxReceive)->Arg(512)->Arg(256);

}  // namespace

BENCHMARK_MAIN();
