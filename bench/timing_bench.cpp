// Line time of the window's operations in both reply timings, side by side:
// each benchmark runs its operation once in classic and once in e120 timing on
// the virtual line in real timing (answers in the pieces an FTDI chip with a
// 1 ms latency timer hands on) and reports both line times and their ratio.
//
// The operations go through the same calls as the window's handlers, pauses
// included: Discovery::Run, ParameterPage::ReadPage and WritePage, AddressBatch.
// Whatever an operation needs first (a discovery before a page read) is done in
// e120 timing and is not counted. Both timings must send the same number of
// requests and log the same lines, or the benchmark fails: a timing that is
// faster because it missed a reply measures nothing.
//
// model_ratio is the same pair of sessions on the simulated clock (instant
// timing, the same pieces and latencies): the line time the timing itself
// gives, without the host's late wake-ups from each sleep.
//
// It takes real time (classic discovery of 33 responders alone is half a
// minute), so it is no test; run it by hand:
//     build/dev/bench/timing_bench
// The Art-Net controller's rows need a node (see BM_ArtNetTableFetch).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "artnet/artnet_controller.h"
#include "artnet/controller_socket.h"
#include "artnet/interfaces.h"
#include "devices/names_list.h"
#include "devices/reorder.h"
#include "frontend/line_options.h"
#include "params/fixture_runs.h"
#include "params/page_values.h"
#include "params/parameter_page.h"
#include "rdm/ftdi_line.h"
#include "rdm/line_controller.h"
#include "rdm/rdm_constants.h"
#include "rdm/transport.h"
#include "sim/random_rig.h"
#include "sim/virtual_line.h"

namespace korval {
namespace {

// What the window holds for one session: its line, transport, table, names
// list and page, with the message log collected.
struct Window {
  Window(const std::vector<sim::ResponderConfig>& rig, sim::Timing timing)
      : line(timing),
        transport(line, [this](const std::string& entry) { log.push_back(entry); }),
        controller(transport, "the line"),
        page(
            controller, [this](const std::string& entry) { log.push_back(entry); }, names,
            [](const NamesList&) {}, [](const params::PageValues&, params::PageField) {}) {
    line.SetLatencyTimer(FtdiLine::kLatencyTimer);
    for (const auto& config : rig) line.AddResponder(config);
    LineHandle handle = 0;
    OpenRdmLine(line, &handle);
    transport.SetHandle(handle);
  }

  void Discover() {
    DropWithheldDevices(table);
    const DiscoveryHooks hooks{
        .clearList = [this] { list.clear(); },
        .addListLine = [this](const std::string& entry) { list.push_back(entry); }};
    controller.Discover(DiscoveryMode::kIncremental, table, hooks);
  }

  sim::VirtualLine line;
  std::vector<std::string> log;
  RdmTransport transport;
  LineController controller;
  DeviceTable table;
  std::vector<std::string> list;
  NamesList names;
  params::ParameterPage page;
};

struct Measured {
  double seconds = 0;
  std::size_t requests = 0;
  std::vector<std::string> log;  // of the measured operation only
  std::vector<std::string> list;
};

using Step = std::function<void(Window&)>;

// A fresh window on the rig; `prepare` in e120 timing, then `operation` in the
// timing under measurement, on the line's clock.
Measured Measure(const std::vector<sim::ResponderConfig>& rig, sim::Timing line, RdmTiming timing,
                 const Step& prepare, const Step& operation) {
  Window w(rig, line);
  w.transport.SetTiming(RdmTiming::kE120);
  prepare(w);
  w.transport.SetTiming(timing);
  const std::size_t logged = w.log.size();
  const std::size_t requests = w.line.RdmRequestCount();
  const auto start = w.line.GetClock().Now();
  operation(w);
  Measured m;
  m.seconds = std::chrono::duration<double>(w.line.GetClock().Now() - start).count();
  m.requests = w.line.RdmRequestCount() - requests;
  m.log.assign(w.log.begin() + static_cast<std::ptrdiff_t>(logged), w.log.end());
  m.list = w.list;
  return m;
}

void SideBySide(benchmark::State& state, const std::vector<sim::ResponderConfig>& rig,
                const Step& prepare, const Step& operation) {
  Measured classic, e120, classicModel, e120Model;
  for (auto _ : state) {
    classic = Measure(rig, sim::Timing::kReal, RdmTiming::kClassic, prepare, operation);
    e120 = Measure(rig, sim::Timing::kReal, RdmTiming::kE120, prepare, operation);
    classicModel = Measure(rig, sim::Timing::kInstant, RdmTiming::kClassic, prepare, operation);
    e120Model = Measure(rig, sim::Timing::kInstant, RdmTiming::kE120, prepare, operation);
  }
  const auto same = [](const Measured& a, const Measured& b) {
    return a.log == b.log && a.list == b.list && a.requests == b.requests;
  };
  if (!same(classic, e120) || !same(classic, classicModel) || !same(classic, e120Model)) {
    state.SkipWithError("the timings did not give the same session");
    return;
  }
  state.counters["classic_s"] = classic.seconds;
  state.counters["e120_s"] = e120.seconds;
  state.counters["ratio"] = classic.seconds / e120.seconds;
  // The line's own model, free of the host's wake-ups: the most the real
  // timing can reach.
  state.counters["model_ratio"] = classicModel.seconds / e120Model.seconds;
  state.counters["requests"] = static_cast<double>(classic.requests);
}

std::vector<sim::ResponderConfig> Fixtures(const std::vector<Uid>& uids) {
  std::vector<sim::ResponderConfig> rig;
  for (Uid uid : uids) {
    sim::ResponderConfig config;
    config.uid = uid;
    rig.push_back(config);
  }
  return rig;
}

// A spot that supports every parameter the virtual responder has, with a
// label, three personalities and a queued status message.
std::vector<sim::ResponderConfig> Spot() {
  sim::ResponderConfig spot;
  spot.uid = 0x4B52'0000'0011ULL;
  spot.label = "Spot 1";
  spot.footprint = 12;
  spot.personality_count = 3;
  spot.personality = 2;
  spot.start_address = 1;
  spot.device_hours = 1234;
  spot.lamp_hours = 56;
  spot.min_limits = {1, 2, 3, 4, 5, 6, 7, 8};
  spot.status_messages = {{.type = 0x04, .id = 0x0001, .data1 = 0x0020, .data2 = 0}};
  return {spot};
}

void Nothing(Window&) {}

void BM_Discovery(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const auto rig = Fixtures(sim::RandomUids(1200 + static_cast<std::uint64_t>(count), count));
  SideBySide(state, rig, Nothing, [count](Window& w) {
    w.Discover();
    if (w.table.count != count) w.log.push_back("not every responder was found");
  });
}
BENCHMARK(BM_Discovery)
    ->ArgName("responders")
    ->Arg(1)
    ->Arg(8)
    ->Arg(33)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// The same rig discovered again, unchanged: the known devices are muted one
// by one and the search finds nothing new.
void BM_IncrementalDiscovery(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const auto rig = Fixtures(sim::RandomUids(1200 + static_cast<std::uint64_t>(count), count));
  SideBySide(
      state, rig, [](Window& w) { w.Discover(); },
      [count](Window& w) {
        w.Discover();
        if (w.table.count != count) w.log.push_back("not every responder was kept");
      });
}
BENCHMARK(BM_IncrementalDiscovery)
    ->ArgName("responders")
    ->Arg(33)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

void BM_PageRead(benchmark::State& state) {
  SideBySide(
      state, Spot(), [](Window& w) { w.Discover(); },
      [](Window& w) {
        params::PageValues values;
        w.page.ReadPage(w.table.slots[1], values);
      });
}
BENCHMARK(BM_PageRead)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_PageWrite(benchmark::State& state) {
  params::PageValues values;
  SideBySide(
      state, Spot(),
      [&values](Window& w) {
        w.Discover();
        values = {};
        w.page.ReadPage(w.table.slots[1], values);
        // What the operator changes before Write: the name, the address, a
        // limit and the personality.
        values.name = "Front Spot";
        values.startAddress = "40";
        values.minLimits.texts[3] = "9";
        values.personality = 3;
      },
      [&values](Window& w) {
        params::PageValues written = values;
        w.page.WritePage(w.table.slots[1], written);
      });
}
BENCHMARK(BM_PageWrite)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_BatchAddressing(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const auto rig = Fixtures(sim::RandomUids(3300 + static_cast<std::uint64_t>(count), count));
  SideBySide(
      state, rig, [](Window& w) { w.Discover(); },
      [count](Window& w) {
        params::PageValues values;
        values.startAddress = "1";
        params::AddressBatch(
            w.page, w.table, values,
            {.address = 1, .increment = 12, .startFixture = 0, .endFixture = count - 1});
      });
}
BENCHMARK(BM_BatchAddressing)
    ->ArgName("fixtures")
    ->Arg(33)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// The Art-Net controller against a real node: KORVAL_BENCH_ARTNET_NODE names
// it (an IPv4 address; bench/artnet_controller_bench.sh starts olad with RDM
// responders in a network namespace and runs these in another), and
// KORVAL_BENCH_PORT_ADDRESS its port (default 0). Without a node they skip.
struct Node {
  artnet::ControllerSocket socket;
  std::unique_ptr<artnet::ArtNetController> controller;
  std::string error;

  Node() {
    const char* address = std::getenv("KORVAL_BENCH_ARTNET_NODE");
    const auto node = address != nullptr ? artnet::ParseIpv4(address) : std::nullopt;
    if (!node) {
      error = "no node: set KORVAL_BENCH_ARTNET_NODE (bench/artnet_controller_bench.sh does)";
      return;
    }
    const char* port = std::getenv("KORVAL_BENCH_PORT_ADDRESS");
    const auto portAddress = artnet::ParsePortAddress(port != nullptr ? port : "0");
    if (!portAddress || !socket.Open(0)) {
      error = portAddress ? socket.Error() : "KORVAL_BENCH_PORT_ADDRESS is no Port-Address";
      return;
    }
    controller = std::make_unique<artnet::ArtNetController>(
        *node, *portAddress,
        [this](std::uint32_t to, std::uint16_t p, std::span<const std::uint8_t> d) {
          return socket.Send(to, p, d);
        },
        nullptr);
    socket.SetReceiver([this](std::span<const std::uint8_t> d, std::uint32_t from) {
      controller->Receive(d, from);
    });
  }
  ~Node() { socket.Close(); }
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  std::vector<Uid> Table() {
    DeviceTable table;
    std::vector<Uid> found;
    controller->Discover(
        DiscoveryMode::kIncremental, table,
        {.clearList = {}, .addListLine = {}, .found = [&](Uid uid) { found.push_back(uid); }});
    return found;
  }
};

// The node's table, as often as the benchmark likes: ArtTodRequest and the
// ArtTodData that answer it.
void BM_ArtNetTableFetch(benchmark::State& state) {
  Node node;
  if (!node.error.empty()) {
    state.SkipWithError(node.error.c_str());
    return;
  }
  std::size_t devices = 0;
  for (auto _ : state) devices = node.Table().size();
  state.counters["devices"] = static_cast<double>(devices);
}
BENCHMARK(BM_ArtNetTableFetch)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);

// One GET DEVICE_INFO in an ArtRdm and its answer, to the table's first device.
void BM_ArtNetGetRoundTrip(benchmark::State& state) {
  Node node;
  if (!node.error.empty()) {
    state.SkipWithError(node.error.c_str());
    return;
  }
  const std::vector<Uid> table = node.Table();
  if (table.empty()) {
    state.SkipWithError("the node lists no device");
    return;
  }
  int acknowledged = 0;
  for (auto _ : state) {
    const RdmReply reply = node.controller->Send({.destination = table.front(),
                                                  .commandClass = rdm::kGetCommand,
                                                  .pid = rdm::kPidDeviceInfo});
    acknowledged += reply.IsAck() ? 1 : 0;
  }
  state.counters["acknowledged"] = acknowledged;
}
BENCHMARK(BM_ArtNetGetRoundTrip)->Iterations(200)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korval

BENCHMARK_MAIN();
