// How much one discovery costs: DISC_UNIQUE_BRANCH requests sent, the time the
// line would take (simulated, 250000 baud, 50 ms read timeout) and the CPU time
// of the search itself. The largest branch count seen for 33 responders is what
// Discovery::kMaxBranchRequests must stay well above.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <set>

#include "rdm/discovery.h"
#include "sim/random_rig.h"
#include "sim/virtual_line.h"

namespace korval {
namespace {

void BM_Discovery(benchmark::State& state) {
  const int responders = static_cast<int>(state.range(0));
  std::mt19937_64 rng(20240601);
  double branches = 0;
  double lineSeconds = 0;
  int mostBranches = 0;
  for (auto _ : state) {
    state.PauseTiming();
    sim::VirtualLine line(sim::Timing::kInstant);
    for (Uid uid : sim::RandomUids(rng, responders)) {
      sim::ResponderConfig config;
      config.uid = uid;
      line.AddResponder(config);
    }
    RdmTransport transport(line, nullptr);
    transport.Frame().FillFixedFields();
    LineHandle handle = 0;
    line.Open(0, &handle);
    transport.SetHandle(handle);
    DeviceTable table;
    Discovery discovery(transport, table);
    const auto start = line.GetClock().Now();
    state.ResumeTiming();

    discovery.Run({});

    state.PauseTiming();
    if (table.count != std::min(responders, DeviceTable::kCapacity)) {
      state.SkipWithError("not every responder was found");
    }
    branches += discovery.BranchRequests();
    mostBranches = std::max(mostBranches, discovery.BranchRequests());
    lineSeconds += std::chrono::duration<double>(line.GetClock().Now() - start).count();
    state.ResumeTiming();
  }
  state.counters["branch_requests"] =
      benchmark::Counter(branches, benchmark::Counter::kAvgIterations);
  state.counters["most_branch_requests"] = mostBranches;
  state.counters["line_seconds"] =
      benchmark::Counter(lineSeconds, benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_Discovery)->Arg(1)->Arg(8)->Arg(33)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korval

BENCHMARK_MAIN();
