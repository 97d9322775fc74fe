// The Art-Net bridge's two speed goals.
//
// OutputPeriod: the ticker on the steady clock, sending a DMX512 frame on an
// instant virtual line each tick, for 10 s of real time. Reports the median
// period and the p99 and worst deviation from 40 ms, in milliseconds.
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

void OutputPeriod(benchmark::State& state) {
  const auto runFor = std::chrono::seconds(state.range(0));
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

  for (auto _ : state) {
    {
      artnet::OutputTicker ticker(
          [&] {
            const auto now = Clock::now();
            artnet::DmxOutputTick(target);
            std::lock_guard lock(stampsMutex);
            stamps.push_back(now);
          },
          std::make_shared<artnet::SteadyTickClock>());
      std::this_thread::sleep_for(runFor);
    }
  }
  std::vector<double> periods;
  for (std::size_t k = 1; k < stamps.size(); ++k) {
    periods.push_back(std::chrono::duration<double, std::milli>(stamps[k] - stamps[k - 1]).count());
  }
  if (periods.empty()) return;
  std::vector<double> deviations;
  for (double p : periods) deviations.push_back(std::abs(p - 40.0));
  std::sort(periods.begin(), periods.end());
  std::sort(deviations.begin(), deviations.end());
  const auto at = [](const std::vector<double>& v, double q) {
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
  };
  state.counters["frames"] = static_cast<double>(stamps.size());
  state.counters["median_ms"] = at(periods, 0.5);
  state.counters["p99_dev_ms"] = at(deviations, 0.99);
  state.counters["worst_dev_ms"] = deviations.back();
  // Over the whole run: no drift means the frame count matches the time.
  const double spanMs =
      std::chrono::duration<double, std::milli>(stamps.back() - stamps.front()).count();
  state.counters["drift_ms"] = spanMs - 40.0 * static_cast<double>(periods.size());
}
BENCHMARK(OutputPeriod)->Arg(10)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

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
