#include "artnet/rdm_gateway.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "artnet/art_dmx.h"
#include "artnet/art_rdm.h"
#include "artnet/dmx_output.h"
#include "artnet/output_ticker.h"
#include "rdm/line_controller.h"
#include "rdm/rdm_constants.h"
#include "rdm/reply_timing.h"
#include "sim/virtual_line.h"

namespace korval::artnet {
namespace {

using namespace rdm;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr Uid kSpot = 0x4B52'00000101ULL;
constexpr Uid kWash = 0x4B52'00000201ULL;
constexpr Uid kConsole = 0x7A70'00000001ULL;
const Controller kOla{.address = 0x0A4D0002, .port = kArtNetPort};  // 10.77.0.2

sim::ResponderConfig Fixture(Uid uid) {
  sim::ResponderConfig c;
  c.uid = uid;
  return c;
}

// An ArtRdm as a controller sends it: its own source UID and transaction number.
std::vector<std::uint8_t> ArtRdm(Uid to, std::uint8_t commandClass, std::uint16_t pid,
                                 std::vector<std::uint8_t> data = {}, std::uint8_t tn = 0x42,
                                 std::uint16_t portAddress = 0) {
  const auto frame = EncodeRequestFrame(
      {.destination = to, .commandClass = commandClass, .pid = pid, .data = std::move(data)},
      kConsole, tn, 1);
  return EncodeArtRdm(portAddress, RdmWithoutStartCode(frame));
}

std::vector<std::uint8_t> ArtHeader(std::uint16_t opCode) {
  std::vector<std::uint8_t> p = {'A', 'r', 't', '-', 'N', 'e', 't', 0};
  p.push_back(static_cast<std::uint8_t>(opCode & 0xFF));  // OpCode, low byte first
  p.push_back(static_cast<std::uint8_t>(opCode >> 8));
  p.push_back(0x00);   // ProtVer hi
  p.push_back(0x0E);   // ProtVer lo: 14
  p.resize(21, 0x00);  // filler and spare
  return p;
}

struct Sent {
  Controller to;
  std::vector<std::uint8_t> datagram;
};

struct GatewayTest : ::testing::Test {
  sim::VirtualLine line{sim::Timing::kInstant};
  RdmTransport transport{line, {}};
  LineController controller{transport, "the line"};
  std::mutex mutex;
  std::condition_variable logged;
  std::vector<Sent> sent;
  std::vector<std::string> log;
  int discoveries = 0;
  bool runAtOnce = true;
  const std::chrono::milliseconds interim;
  RdmGateway gateway{controller,
                     transport.Arbiter(),
                     {.send =
                          [this](const Controller& to, std::span<const std::uint8_t> d) {
                            std::lock_guard lock(mutex);
                            sent.push_back({to, {d.begin(), d.end()}});
                          },
                      .requestWaiting =
                          [this] {
                            if (runAtOnce) transport.Arbiter().RunAll();
                          },
                      .discover = [this] { ++discoveries; },
                      .log =
                          [this](std::vector<std::string> lines) {
                            std::lock_guard lock(mutex);
                            log.insert(log.end(), lines.begin(), lines.end());
                            logged.notify_all();
                          }},
                     interim};

  explicit GatewayTest(std::chrono::milliseconds interimAfter = RdmGateway::kInterimTableAfter)
      : interim(interimAfter) {
    line.AddResponder(Fixture(kSpot));
    line.AddResponder(Fixture(kWash));
    LineHandle h = 0;
    EXPECT_EQ(line.Open(0, &h), kLineOk);
    transport.SetHandle(h);
  }
};

TEST_F(GatewayTest, AGetIsRunOnTheLineAndAnsweredToItsSender) {
  EXPECT_TRUE(gateway.Receive(ArtRdm(kSpot, kGetCommand, kPidDeviceInfo), kOla));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, kOla);
  const auto reply = ParseArtRdm(sent[0].datagram);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->portAddress, 0);
  const RdmReply judged = DecodeReplyFrame(RdmFrameWithStartCode(reply->rdm));
  EXPECT_TRUE(judged.IsAck());
  EXPECT_EQ(judged.source, kSpot);
  EXPECT_EQ(judged.destination, kConsole);
  EXPECT_EQ(judged.transaction, 0x42);
  EXPECT_EQ(judged.commandClass, kGetCommandResponse);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "Art-Net RDM from 10.77.0.2");
  EXPECT_THAT(log[1], StartsWith("Request__:"));
  EXPECT_THAT(log[2], StartsWith("Response_:"));
  // The window's own numbering is not the controller's.
  EXPECT_EQ(transport.TransactionNumber(), 0);
}

TEST_F(GatewayTest, ASetReachesTheFixtureAndABroadcastIsSentButNotAnswered) {
  gateway.Receive(ArtRdm(kSpot, kSetCommand, kPidDmxStartAddress, {0x00, 0x64}), kOla);
  EXPECT_EQ(line.FindResponder(kSpot)->StartAddress(), 100);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(DecodeReplyFrame(RdmFrameWithStartCode(ParseArtRdm(sent[0].datagram)->rdm)).IsAck());

  sent.clear();
  log.clear();
  gateway.Receive(ArtRdm(kBroadcastUid, kSetCommand, kPidDmxStartAddress, {0x00, 0x21}), kOla);
  EXPECT_EQ(line.FindResponder(kSpot)->StartAddress(), 0x21);
  EXPECT_EQ(line.FindResponder(kWash)->StartAddress(), 0x21);
  EXPECT_THAT(sent, IsEmpty());
  EXPECT_THAT(log, ElementsAre("Art-Net RDM from 10.77.0.2", StartsWith("Request__:")));
}

// While frames go out, a request runs in the gap after a frame; one too long
// for any gap (the largest GET and SET E1.20 allows) runs first in the next
// gap, so nothing waits behind it for long, and one that waited longer than
// controllers wait is dropped unsent.
TEST_F(GatewayTest, EveryRequestRunsInTheNextGapsWhateverItsSizeAndAStaleOneNever) {
  runAtOnce = false;
  std::atomic<LineArbiter::TimePoint::rep> now{0};
  LineArbiter& arbiter = transport.Arbiter();
  arbiter.SetClock(
      [&now] { return LineArbiter::TimePoint(LineArbiter::TimePoint::duration(now)); });
  auto frame = [&] { arbiter.FrameSent(arbiter.Clock() + kGapBetweenFrames, kGapBetweenFrames); };
  const std::vector<std::uint8_t> longGet(kMaxPdl, 0x01);
  const std::vector<std::uint8_t> label(32, 'L');
  gateway.Receive(ArtRdm(kSpot, kGetCommand, kPidDeviceInfo, longGet, 1), kOla);
  gateway.Receive(ArtRdm(kSpot, kSetCommand, kPidDeviceLabel, label, 2), kOla);
  gateway.Receive(ArtRdm(kWash, kGetCommand, kPidDeviceInfo, {}, 3), kOla);
  for (int gap = 0; gap < 3 && sent.size() < 3; ++gap) frame();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(line.FindResponder(kSpot)->Label(), std::string(label.begin(), label.end()));
  EXPECT_EQ(DecodeReplyFrame(RdmFrameWithStartCode(ParseArtRdm(sent[0].datagram)->rdm)).status,
            ReplyStatus::kNack);  // a GET with data it does not take: answered all the same

  sent.clear();
  log.clear();
  const std::size_t requests = line.RdmRequestCount();
  gateway.Receive(ArtRdm(kSpot, kSetCommand, kPidDmxStartAddress, {0x00, 0x07}, 4), kOla);
  now += std::chrono::duration_cast<LineArbiter::TimePoint::duration>(LineArbiter::kMaxWait + 1ms)
             .count();
  frame();
  EXPECT_THAT(sent, IsEmpty());
  EXPECT_EQ(line.RdmRequestCount(), requests);
  EXPECT_NE(line.FindResponder(kSpot)->StartAddress(), 7);
  EXPECT_THAT(log, ElementsAre("Art-Net RDM from 10.77.0.2 dropped unsent: it waited longer than "
                               "1500 ms"));
  arbiter.FramesStopped();
}

TEST_F(GatewayTest, WhatIsNotARequestForOurPortNeverReachesTheLine) {
  auto truncated = ArtRdm(kSpot, kGetCommand, kPidDeviceInfo);
  truncated.pop_back();
  auto badChecksum = ArtRdm(kSpot, kGetCommand, kPidDeviceInfo);
  badChecksum.back() ^= 0x01;
  const std::vector<std::vector<std::uint8_t>> ignored = {
      ArtRdm(kSpot, kGetCommand, kPidDeviceInfo, {}, 1, /*portAddress=*/1),
      ArtRdm(kSpot, kDiscoveryCommand, kPidDiscMute),
      truncated,
      badChecksum,
      {},
  };
  runAtOnce = false;
  for (const auto& datagram : ignored) gateway.Receive(datagram, kOla);
  EXPECT_EQ(transport.Arbiter().Waiting(), 0u);
  EXPECT_EQ(line.RdmRequestCount(), 0u);
  EXPECT_THAT(sent, IsEmpty());
}

TEST_F(GatewayTest, TheTableGoesToWhoAsksAndAFlushIsAnsweredWhenTheDiscoveryEnds) {
  gateway.SetTable({kSpot, kWash});
  auto request = ArtHeader(kOpTodRequest);
  request.insert(request.end(), {0x00 /*Net*/, 0x00 /*TodFull*/, 0x01 /*AddCount*/, 0x00});
  EXPECT_TRUE(gateway.Receive(request, kOla));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].datagram.size(), kArtTodDataHeaderBytes + 2 * kUidBytes);
  EXPECT_EQ(sent[0].datagram[rdmfield::kUidCount], 2);

  // Two controllers flush at once: one discovery answers both.
  sent.clear();
  auto flush = ArtHeader(kOpTodControl);
  flush.insert(flush.end(), {0x00 /*Net*/, kAtcFlush, 0x00 /*Address*/});
  const Controller other{.address = 0x0A4D0003, .port = kArtNetPort};
  gateway.Receive(flush, kOla);
  gateway.Receive(flush, other);
  EXPECT_EQ(discoveries, 1);
  EXPECT_THAT(sent, IsEmpty());
  gateway.SetTable({kWash});
  gateway.DiscoveryEnded();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].to, kOla);
  EXPECT_EQ(sent[1].to, other);
  EXPECT_EQ(sent[1].datagram[rdmfield::kUidCount], 1);
}

// A flush whose discovery outlasts the interim: the list known so far goes
// out then, but an empty one never does (a controller such as OLA keeps the
// first whole table and would miss the discovery's).
struct GatewayInterim : GatewayTest {
  GatewayInterim() : GatewayTest(std::chrono::milliseconds(0)) {}
};

TEST_F(GatewayInterim, TheTableKnownSoFarGoesOutUnlessItIsEmpty) {
  auto flush = ArtHeader(kOpTodControl);
  flush.insert(flush.end(), {0x00 /*Net*/, kAtcFlush, 0x00 /*Address*/});
  for (const std::vector<Uid>& known : {std::vector<Uid>{}, std::vector<Uid>{kSpot, kWash}}) {
    SCOPED_TRACE(known.size());
    {
      std::lock_guard lock(mutex);
      sent.clear();
      log.clear();
    }
    gateway.SetTable(known);
    gateway.Receive(flush, kOla);
    {
      std::unique_lock lock(mutex);
      // A bound only so that a missing line fails instead of hanging.
      ASSERT_TRUE(logged.wait_for(lock, std::chrono::seconds(30), [&] { return !log.empty(); }));
      EXPECT_EQ(log.back(),
                known.empty() ? "AtcFlush: the discovery still runs after 0 ms; no table goes out "
                                "before it ends, since none is known"
                              : "AtcFlush: the discovery still runs after 0 ms; the table known "
                                "so far (2 devices) went out");
      ASSERT_EQ(sent.size(), known.empty() ? 0u : 1u);
      if (!known.empty()) {
        EXPECT_EQ(sent[0].datagram[rdmfield::kUidCount], 2);
      }
    }
    gateway.SetTable({kWash});
    gateway.DiscoveryEnded();
    std::lock_guard lock(mutex);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().datagram[rdmfield::kUidCount], 1);
  }
}

// A line wrapper that writes down which thread made each call, so that the
// calls of one frame or one exchange can be shown to come in one piece.
class CallLog final : public DmxLine {
 public:
  explicit CallLog(DmxLine& line) : line_(line) {}
  struct Call {
    std::thread::id thread;
    std::string what;
  };
  std::vector<Call> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

  LineStatus Open(int i, LineHandle* h) override { return line_.Open(i, h); }
  LineStatus Close(LineHandle h) override { return line_.Close(h); }
  LineStatus Read(LineHandle h, std::span<std::uint8_t> b, std::uint32_t* n) override {
    Note("read");
    return line_.Read(h, b, n);
  }
  LineStatus ReadFrame(LineHandle h, std::span<std::uint8_t> b, std::uint32_t* n,
                       const FrameReadPolicy& p) override {
    Note("read");
    return line_.ReadFrame(h, b, n, p);
  }
  LineStatus Write(LineHandle h, std::span<const std::uint8_t> b, std::uint32_t* n) override {
    Note(b.size() == kDmxSlots ? "slots" : "write");
    return line_.Write(h, b, n);
  }
  LineStatus ResetDevice(LineHandle h) override { return line_.ResetDevice(h); }
  LineStatus SetBaudRate(LineHandle h, std::uint32_t b) override { return line_.SetBaudRate(h, b); }
  LineStatus SetDataCharacteristics(LineHandle h, std::uint8_t w, std::uint8_t s,
                                    std::uint8_t p) override {
    return line_.SetDataCharacteristics(h, w, s, p);
  }
  LineStatus SetFlowControl(LineHandle h, std::uint16_t f, std::uint8_t a,
                            std::uint8_t b) override {
    return line_.SetFlowControl(h, f, a, b);
  }
  LineStatus Purge(LineHandle h, std::uint32_t m) override {
    Note("purge");
    return line_.Purge(h, m);
  }
  LineStatus SetTimeouts(LineHandle h, std::uint32_t r, std::uint32_t w) override {
    return line_.SetTimeouts(h, r, w);
  }
  LineStatus SetBreakOn(LineHandle h) override {
    Note("break");
    return line_.SetBreakOn(h);
  }
  LineStatus SetBreakOff(LineHandle h) override { return line_.SetBreakOff(h); }
  Clock& GetClock() override { return line_.GetClock(); }

 private:
  void Note(std::string what) {
    std::lock_guard lock(mutex_);
    calls_.push_back({std::this_thread::get_id(), std::move(what)});
  }
  DmxLine& line_;
  std::mutex mutex_;
  std::vector<Call> calls_;
};

// The output thread sends a frame every 40 ms on a line in real timing while
// a controller sends a GET every 3 ms and the window thread reads too. Every
// frame and every exchange comes in one piece from one thread; every tick
// sends its frame; each network request is answered or, with the queue full,
// dropped (its controller times out); the requests run in the gaps.
TEST(GatewayThreads, FramesKeepTheirPeriodWhileRequestsArriveEveryFewMilliseconds) {
  sim::VirtualLine real{sim::Timing::kReal};
  real.AddResponder(Fixture(kSpot));
  CallLog line(real);
  RdmTransport transport{line, {}};
  LineController controller{transport, "the line"};
  LineHandle h = 0;
  ASSERT_EQ(line.Open(0, &h), kLineOk);
  transport.SetHandle(h);
  std::atomic<int> answered{0};
  RdmGateway gateway{
      controller,
      transport.Arbiter(),
      {.send = [&answered](const Controller&, std::span<const std::uint8_t>) { ++answered; },
       .requestWaiting = {},
       .discover = {},
       .log = {}}};

  const std::atomic<bool> shown{true};
  DmxSlots input{};
  DmxSlots output{};
  std::atomic<int> ticks{0};
  std::atomic<int> frames{0};
  auto clock = std::make_shared<SteadyTickClock>();
  {
    OutputTicker ticker(OutputTicker::Tick([&](TickClock::TimePoint next) {
                          ++ticks;
                          const TickResult r = DmxOutputTick({.pageShown = shown,
                                                              .line = line,
                                                              .handle = [h] { return h; },
                                                              .artNetInput = input,
                                                              .dmxOutput = output,
                                                              .onWriteFailed = {},
                                                              .arbiter = &transport.Arbiter()});
                          if (r != TickResult::kSent) return;
                          ++frames;
                          transport.Arbiter().FrameSent(next, kGapBetweenFrames);
                        }),
                        clock);
    transport.Arbiter().SetClock([clock] { return clock->Now(); });
    std::thread window([&] {
      for (int i = 0; i < 10; ++i) {
        transport.Request(kSpot, kGetCommand, kPidDeviceInfo);
        std::this_thread::sleep_for(50ms);
      }
    });
    for (int i = 0; i < 200; ++i) {
      gateway.Receive(
          ArtRdm(kSpot, kGetCommand, kPidDmxStartAddress, {}, static_cast<std::uint8_t>(i)), kOla);
      std::this_thread::sleep_for(3ms);
    }
    window.join();
    ticker.Stop();
    transport.Arbiter().FramesStopped();
  }
  EXPECT_EQ(frames.load(), ticks.load());
  EXPECT_GT(frames.load(), 10);
  // How many fit into gaps depends on the host's speed (none may under a
  // sanitizer); what waits runs once the page changes, as the window runs it.
  transport.Arbiter().RunAll();
  EXPECT_EQ(static_cast<std::uint64_t>(answered.load()) + transport.Arbiter().Dropped() +
                transport.Arbiter().Expired(),
            200u);
  EXPECT_GT(answered.load(), 0);

  // The calls, cut into frames (break, start code, slots) and exchanges
  // (purge, purge, break, request, reads): each from one thread, whole.
  const auto calls = line.Calls();
  std::size_t i = 0;
  int exchanges = 0;
  while (i < calls.size()) {
    const std::thread::id who = calls[i].thread;
    std::vector<std::string> shape;
    const bool exchange = calls[i].what == "purge";
    const std::size_t fixed = exchange ? 4 : 3;
    for (std::size_t k = 0; k < fixed && i < calls.size(); ++k, ++i) {
      ASSERT_EQ(calls[i].thread, who) << "call " << i;
      shape.push_back(calls[i].what);
    }
    while (exchange && i < calls.size() && calls[i].what == "read") {
      ASSERT_EQ(calls[i].thread, who) << "call " << i;
      ++i;
    }
    if (exchange) {
      EXPECT_THAT(shape, ElementsAre("purge", "purge", "break", "write"));
      ++exchanges;
    } else {
      EXPECT_THAT(shape, ElementsAre("break", "write", "slots"));
    }
  }
  EXPECT_EQ(exchanges, 10 + answered.load());
}

}  // namespace
}  // namespace korval::artnet
