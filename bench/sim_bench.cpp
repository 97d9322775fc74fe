// Simulated transactions per second of CPU on the instant virtual line: how
// cheap a whole scripted session of the window is when nothing waits for real.
#include <benchmark/benchmark.h>

#include "rdm/rdm_constants.h"
#include "rdm/transport.h"
#include "sim/rdm_request.h"
#include "sim/rig.h"

namespace korval::sim {
namespace {

struct DemoTransport {
  VirtualLine line{MakeDemoRig(), Timing::kInstant};
  RdmTransport transport{line, nullptr};
  DemoTransport() {
    LineHandle h = 0;
    line.Open(0, &h);
    transport.SetHandle(h);
  }
};

// One GET DEVICE_INFO through RdmTransport: purge, break, write, the start-code
// reads and the 200-byte read, against a line of ten responders.
void BM_GetDeviceInfo(benchmark::State& state) {
  DemoTransport t;
  const Uid uid = t.line.ResponderUids().front();
  std::int64_t acks = 0;
  for (auto _ : state) {
    acks += t.transport.Request(uid, rdm::kGetCommand, rdm::kPidDeviceInfo) == kAck;
  }
  state.counters["transactions"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  if (acks != state.iterations()) state.SkipWithError("a transaction was not acknowledged");
}
BENCHMARK(BM_GetDeviceInfo);

// A SET that changes the responder, then the GET that reads it back.
void BM_SetAndGetStartAddress(benchmark::State& state) {
  DemoTransport t;
  const Uid uid = t.line.ResponderUids().front();
  std::uint16_t address = 1;
  for (auto _ : state) {
    const std::uint8_t data[] = {static_cast<std::uint8_t>(address >> 8),
                                 static_cast<std::uint8_t>(address)};
    t.transport.Request(uid, rdm::kSetCommand, rdm::kPidDmxStartAddress, data);
    t.transport.Request(uid, rdm::kGetCommand, rdm::kPidDmxStartAddress);
    address = static_cast<std::uint16_t>(address % 512 + 1);
  }
  state.counters["transactions"] = benchmark::Counter(2.0 * static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SetAndGetStartAddress);

// A full-range DISC_UNIQUE_BRANCH that all ten demo responders answer at once.
void BM_CollidingUniqueBranch(benchmark::State& state) {
  VirtualLine line(MakeDemoRig(), Timing::kInstant);
  LineHandle h = 0;
  line.Open(0, &h);
  RdmRequest branch;
  branch.destination = kBroadcastUid;
  branch.source = kControllerUid;
  branch.commandClass = rdm::kDiscoveryCommand;
  branch.pid = rdm::kPidDiscUniqueBranch;
  branch.pdl = 12;
  for (std::size_t i = 6; i < 12; ++i) branch.data[i] = 0xFF;
  branch.data[11] = 0xFE;
  const auto frame = EncodeRdmRequest(branch);
  std::vector<std::uint8_t> buffer(100);
  std::uint32_t n = 0;
  for (auto _ : state) {
    line.Purge(h, kPurgeRx);
    line.SetBreakOn(h);
    line.SetBreakOff(h);
    line.Write(h, frame, &n);
    line.Read(h, buffer, &n);
    benchmark::DoNotOptimize(buffer.data());
  }
  if (n != 24) state.SkipWithError("the branch was not answered");
  state.counters["transactions"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CollidingUniqueBranch);

}  // namespace
}  // namespace korval::sim

BENCHMARK_MAIN();
