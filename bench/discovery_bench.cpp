// How much one discovery costs: DISC_UNIQUE_BRANCH requests sent, the time the
// line takes (simulated: 250000 baud, 50 ms read timeout, the same clock model
// as real timing) and the CPU time of the search itself.
//
// BM_Discovery: random UIDs. BM_HardRigs: 33 responders whose UIDs share their
// high bits (serial numbers in a row, one manufacturer, one bit apart); their
// worst case is what Discovery::kMaxBranchRequests must stay twice above.
// BM_FaultyRig: ten fixtures, one of them faulty; BM_FaultyRigRealTime runs the
// one that never acknowledges mute once in real timing. BM_ShippedRigs: the
// rig files of sim/rigs with faults, in instant timing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>

#include "rdm/discovery.h"
#include "sim/random_rig.h"
#include "sim/rig.h"
#include "sim/virtual_line.h"

namespace korval {
namespace {

struct Outcome {
  int branches = 0;
  int found = 0;
  int singleUidProbes = 0;
  double lineSeconds = 0;
};

Outcome Discover(const std::vector<sim::ResponderConfig>& rig, sim::Timing timing,
                 benchmark::State* state = nullptr) {
  sim::VirtualLine line(timing);
  for (const auto& config : rig) line.AddResponder(config);
  RdmTransport transport(line, nullptr);
  LineHandle handle = 0;
  line.Open(0, &handle);
  transport.SetHandle(handle);
  DeviceTable table;
  Discovery discovery(transport, table);
  const auto start = line.GetClock().Now();
  if (state != nullptr) state->ResumeTiming();
  discovery.Run({});
  if (state != nullptr) state->PauseTiming();
  return {discovery.BranchRequests(), table.count, discovery.SingleUidProbes(),
          std::chrono::duration<double>(line.GetClock().Now() - start).count()};
}

std::vector<sim::ResponderConfig> Honest(const std::vector<Uid>& uids) {
  std::vector<sim::ResponderConfig> rig;
  for (Uid uid : uids) {
    sim::ResponderConfig config;
    config.uid = uid;
    rig.push_back(config);
  }
  return rig;
}

// Runs one rig per iteration and reports the mean and the worst.
void Report(benchmark::State& state, const std::function<std::vector<Uid>(int)>& makeRig,
            int expected) {
  double branches = 0, lineSeconds = 0, mostLineSeconds = 0;
  int mostBranches = 0, singleUidProbes = 0, iteration = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const Outcome o = Discover(Honest(makeRig(iteration++)), sim::Timing::kInstant, &state);
    if (o.found != expected) state.SkipWithError("not every responder was found");
    branches += o.branches;
    mostBranches = std::max(mostBranches, o.branches);
    singleUidProbes += o.singleUidProbes;
    lineSeconds += o.lineSeconds;
    mostLineSeconds = std::max(mostLineSeconds, o.lineSeconds);
    state.ResumeTiming();
  }
  state.counters["branch_requests"] =
      benchmark::Counter(branches, benchmark::Counter::kAvgIterations);
  state.counters["most_branch_requests"] = mostBranches;
  state.counters["line_seconds"] =
      benchmark::Counter(lineSeconds, benchmark::Counter::kAvgIterations);
  state.counters["most_line_seconds"] = mostLineSeconds;
  // Honest rigs never need a branch over a single UID.
  state.counters["single_uid_probes"] = singleUidProbes;
}

void BM_Discovery(benchmark::State& state) {
  const int responders = static_cast<int>(state.range(0));
  std::mt19937_64 rng(20240601);
  Report(
      state, [&](int) { return sim::RandomUids(rng, responders); },
      std::min(responders, DeviceTable::kCapacity));
}
BENCHMARK(BM_Discovery)->Arg(1)->Arg(8)->Arg(33)->Unit(benchmark::kMillisecond);

// 0: serial numbers 4B52:00000001 to 4B52:00000021; 1: 33 in a row from a
// random start; 2: one manufacturer, random device IDs; 3: one bit apart.
void BM_HardRigs(benchmark::State& state) {
  const int family = static_cast<int>(state.range(0));
  std::mt19937_64 rng(20240602 + family);
  Report(
      state,
      [&](int) -> std::vector<Uid> {
        switch (family) {
          case 0:
            return sim::SequentialUids(0x4B52'0000'0001ULL, 33);
          case 1:
            return sim::SequentialUids(sim::RandomUids(rng, 1)[0] & ~Uid{0xFF}, 33);
          case 2:
            return sim::OneManufacturerUids(rng, 0x4B52, 33);
          default:
            return sim::OneBitApartUids(rng, 33);
        }
      },
      33);
}
BENCHMARK(BM_HardRigs)
    ->ArgName("family")
    ->DenseRange(0, 3)
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

// Nine honest fixtures, 4B52:00000000 + k * 0x01000001 for k = 1..9, and a
// faulty one above them all, where it hid every other fixture (UID 0 for that
// fault). 0: never acknowledges mute; 1: UID 0000:00000000 that ignores mute;
// 2: bad checksum; 3: 10 noise bytes before each reply.
std::vector<sim::ResponderConfig> FaultyRig(int fault) {
  std::vector<Uid> uids;
  for (Uid k = 1; k <= 9; ++k) uids.push_back(0x4B52'0000'0000ULL + k * 0x0100'0001ULL);
  auto rig = Honest(uids);
  sim::ResponderConfig faulty;
  faulty.uid = fault == 1 ? 0 : 0x4B52'7000'0101ULL;
  faulty.faults.ignores_mute = fault <= 1;
  faulty.faults.bad_checksum = fault == 2;
  faulty.faults.noise_before_reply = fault == 3 ? 10 : 0;
  rig.push_back(faulty);
  return rig;
}

void BM_FaultyRig(benchmark::State& state) {
  Outcome o;
  for (auto _ : state) {
    state.PauseTiming();
    o = Discover(FaultyRig(static_cast<int>(state.range(0))), sim::Timing::kInstant, &state);
    if (o.found != 9) state.SkipWithError("an honest fixture was missed");
    state.ResumeTiming();
  }
  state.counters["branch_requests"] = o.branches;
  state.counters["line_seconds"] = o.lineSeconds;
}
BENCHMARK(BM_FaultyRig)->ArgName("fault")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_FaultyRigRealTime(benchmark::State& state) {
  Outcome o;
  for (auto _ : state) {
    o = Discover(FaultyRig(0), sim::Timing::kReal);
    if (o.found != 9) state.SkipWithError("an honest fixture was missed");
  }
  state.counters["branch_requests"] = o.branches;
  state.counters["line_seconds"] = o.lineSeconds;
}
BENCHMARK(BM_FaultyRigRealTime)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_ShippedRigs(benchmark::State& state) {
  const char* name = state.range(0) == 0 ? "/faults.json" : "/blocking_faults.json";
  state.SetLabel(name + 1);
  sim::RigLoadResult loaded = sim::LoadRigFile(std::string(KORVAL_SIM_RIGS) + name);
  if (!loaded.rig) {
    state.SkipWithError(loaded.error.c_str());
    return;
  }
  Outcome o;
  for (auto _ : state) {
    state.PauseTiming();
    o = Discover(loaded.rig->responders, sim::Timing::kInstant, &state);
    state.ResumeTiming();
  }
  state.counters["found"] = o.found;
  state.counters["branch_requests"] = o.branches;
  state.counters["line_seconds"] = o.lineSeconds;
}
BENCHMARK(BM_ShippedRigs)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korval

BENCHMARK_MAIN();
