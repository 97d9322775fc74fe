// The reads of a reply on the FTDI line, in both timings, against a model of
// the chip's receive side: bytes reach the host in USB packets, as late as the
// chip's latency timer makes them, and the deadline of an E1.20 read runs from
// the moment the request has left the wire, not from the write's return.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "rdm/discovery.h"
#include "rdm/ftdi_line.h"
#include "rdm/reply_timing.h"
#include "rdm/tests/chip_ftdi.h"
#include "rdm/tests/reply_frame.h"
#include "rdm/transport.h"
#include "sim/responder.h"

namespace korval {
namespace {

using namespace rdm;
using namespace std::chrono_literals;
using Duration = Clock::Duration;
using ::testing::Each;
using ::testing::ElementsAre;

constexpr Uid kSpot = 0x4B52'0000'0101ULL;
constexpr Uid kWash = 0x4B52'1234'5678ULL;
constexpr Duration kByte{kByteMicroseconds};
constexpr Duration kLatencyTimer = FtdiLine::kLatencyTimer;
// How long after the request has left an E1.20 read declares that nobody answers.
constexpr Duration kSilenceLimit = Duration(kResponseLostUs) + FtdiLine::kInterfaceLatency;
// A responder that starts later than that is not heard, whatever the host's luck.
constexpr Duration kTooLate = kSilenceLimit + 2ms;

using testing::ChipFtdi;
using testing::Delivery;

std::vector<std::uint8_t> DeviceInfoReply() {
  return testing::ReplyFrame(kSpot, kPidDeviceInfo, kResponseAck,
                             std::vector<std::uint8_t>(19, 0x01));
}

// 126 bytes: six latency-timer pieces at 250000 baud.
std::vector<std::uint8_t> LongReply() {
  return testing::ReplyFrame(kSpot, kPidDeviceInfo, kResponseAck,
                             std::vector<std::uint8_t>(100, 0x02));
}

RdmRequest GetInfo() {
  return {.destination = kSpot, .commandClass = kGetCommand, .pid = kPidDeviceInfo};
}
// 257 bytes on the wire, 11.3 ms: longer than the whole silence limit.
RdmRequest LongSet() {
  return {.destination = kSpot,
          .commandClass = kSetCommand,
          .pid = kPidDeviceLabel,
          .data = std::vector<std::uint8_t>(kMaxPdl, 'x')};
}
RdmRequest BranchAll() {
  RdmRequest r{
      .destination = kBroadcastUid, .commandClass = kDiscoveryCommand, .pid = kPidDiscUniqueBranch};
  AppendBe48(r.data, 0);
  AppendBe48(r.data, kBroadcastUid - 1);
  return r;
}

struct FrameRead : ::testing::TestWithParam<Delivery> {
  SimulatedClock clock;
  ChipFtdi::Shared chip;
  FtdiLine line{std::make_unique<ChipFtdi>(chip, clock), clock};
  std::vector<std::string> log;
  RdmTransport transport{line, [this](const std::string& s) { log.push_back(s); }};
  LineHandle h = 0;

  FrameRead() {
    chip.delivery = GetParam();
    EXPECT_EQ(line.Open(0, &h), kLineOk);
    line.ResetDevice(h);
    line.SetBaudRate(h, kLineBaud);
    line.SetDataCharacteristics(h, kBits8, kStopBits2, kParityNone);
    line.SetFlowControl(h, kFlowNone, 0, 0);
    line.Purge(h, kPurgeRx);
    line.Purge(h, kPurgeTx);
    line.SetTimeouts(h, kLineTimeoutMs, kLineTimeoutMs);
    transport.SetHandle(h);
    chip.calls.clear();
  }

  // A request of n bytes as the transport sends one.
  void Send(std::size_t n) {
    line.Purge(h, kPurgeRx);
    line.Purge(h, kPurgeTx);
    line.SetBreakOn(h);
    line.SetBreakOff(h);
    const std::vector<std::uint8_t> frame(n, 0xCC);
    std::uint32_t written = 0;
    EXPECT_EQ(line.Write(h, frame, &written), kLineOk);
  }
  Duration SinceWireEnd() const { return clock.Now() - chip.wireEnd; }
  RdmReply Transact(const RdmRequest& request, RdmTiming timing) {
    transport.SetTiming(timing);
    log.clear();
    return transport.Transact(request);
  }
  bool Logged(const std::string& line) const {
    return std::find(log.begin(), log.end(), line) != log.end();
  }
};

TEST_P(FrameRead, AReplyInUsbPiecesEndsTheReadOnceItIsComplete) {
  struct Case {
    const char* name;
    Duration turnaround;
    std::vector<std::uint8_t> bytes;
    Duration hostLate;  // the read begins this long after the write returned
  };
  std::vector<std::uint8_t> noisy = {0x00, 0x00, 0x00};
  for (std::uint8_t b : DeviceInfoReply()) noisy.push_back(b);
  const std::vector<Case> cases = {
      {"device info, prompt", 200us, DeviceInfoReply(), 0us},
      {"126 bytes, starting 2.0 ms late", 2000us, LongReply(), 0us},
      {"noise before the start code", 176us, noisy, 0us},
      {"read begun once the reply was in: 62-byte packets", 200us, LongReply(), 10ms},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    chip.answers = {{{c.turnaround, c.bytes}}};
    Send(26);
    clock.Advance(c.hostLate);
    std::vector<std::uint8_t> buffer(kStartCodeSearch + kReplyBytes, 0xFF);
    std::uint32_t got = 0;
    EXPECT_EQ(line.ReadFrame(h, buffer, &got, ReplyReadPolicy()), kLineOk);
    ASSERT_EQ(got, c.bytes.size());
    EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), buffer.begin()));
    // Over no later than the latency timer and one empty packet after the
    // last byte reached the chip (or after the late host took the packets).
    const Duration in = std::max(chip.lastArrival, chip.wireEnd + c.hostLate);
    EXPECT_GE(clock.Now(), chip.lastArrival);
    EXPECT_LE(clock.Now(), in + 2 * kLatencyTimer);
  }
}

// The request's own wire time counts: after the 257-byte request, the write
// returns 11.3 ms before the responder may even begin.
TEST_P(FrameRead, AReplyStarting2msAfterTheRequestIsHeardALaterOneOnlyInClassic) {
  for (const RdmRequest& request : {GetInfo(), LongSet()}) {
    SCOPED_TRACE(request.data.size());
    for (RdmTiming timing : {RdmTiming::kClassic, RdmTiming::kE120}) {
      SCOPED_TRACE(RdmTimingName(timing));
      chip.answers = {{{Duration(kResponderTurnaroundMaxUs), DeviceInfoReply()}}};
      const RdmReply legal = Transact(request, timing);
      EXPECT_TRUE(legal.IsAck());
      EXPECT_EQ(legal.data.size(), 19u);

      chip.answers = {{{kTooLate, DeviceInfoReply()}}};
      const RdmReply late = Transact(request, timing);
      EXPECT_EQ(late.IsAck(), timing == RdmTiming::kClassic);
      EXPECT_EQ(Logged("no response"), timing == RdmTiming::kE120);
    }
  }
}

// The host is elsewhere for 10 ms right after an empty read, well past the
// silence limit; the reply that came in meanwhile is still taken.
TEST_P(FrameRead, AHostAwayPastTheDeadlineStillTakesTheReplyThatCame) {
  const std::vector<std::uint8_t> reply = DeviceInfoReply();
  chip.answers = {{{Duration(kResponderTurnaroundMaxUs), reply}}};
  Send(26);
  chip.stall = std::chrono::milliseconds(10);
  std::vector<std::uint8_t> buffer(kStartCodeSearch + kReplyBytes, 0xEE);
  std::uint32_t got = 0;
  EXPECT_EQ(line.ReadFrame(h, buffer, &got, ReplyReadPolicy()), kLineOk);
  ASSERT_GE(got, reply.size());
  EXPECT_TRUE(std::equal(reply.begin(), reply.end(), buffer.begin()));
}

TEST_P(FrameRead, NobodyAnsweringEndsTheFrameReadAtTheSilenceLimit) {
  for (std::size_t requestBytes : {std::size_t{26}, std::size_t{257}}) {
    SCOPED_TRACE(requestBytes);
    for (const FrameReadPolicy& policy : {ReplyReadPolicy(), BranchReadPolicy()}) {
      Send(requestBytes);
      std::vector<std::uint8_t> buffer(100, 0xEE);
      std::uint32_t got = 99;
      EXPECT_EQ(line.ReadFrame(h, buffer, &got, policy), kLineOk);
      EXPECT_EQ(got, 0u);
      EXPECT_THAT(buffer, Each(0xEE));
      EXPECT_GE(SinceWireEnd(), kSilenceLimit);
      // The last read begins at or after the limit and may take a latency timer.
      EXPECT_LE(SinceWireEnd(), kSilenceLimit + 2 * kLatencyTimer);
    }
  }
  // The whole transaction: "no response" in both, the plain reads take 6 x 50 ms.
  for (RdmTiming timing : {RdmTiming::kClassic, RdmTiming::kE120}) {
    const Duration start = clock.Now();
    EXPECT_EQ(TransactionResult(Transact(GetInfo(), timing)), kNoReply);
    EXPECT_TRUE(Logged("no response"));
    if (timing == RdmTiming::kClassic) {
      EXPECT_GE(clock.Now() - start, 6 * 50ms);
    } else {
      EXPECT_LE(SinceWireEnd(), kSilenceLimit + kLatencyTimer);
    }
  }
}

// A branch answer is taken as the plain 100-byte read takes it: the same bytes,
// in far less time.
TEST_P(FrameRead, ABranchAnswerEndsAfterItsBytesAGarbledOneWhenTheLineGoesQuiet) {
  struct Case {
    const char* name;
    std::vector<ChipFtdi::Answer> answers;
    int result;
    bool endsOnQuiet;  // false: over once the 24 bytes are in
  };
  const std::vector<std::uint8_t> spot = sim::EncodeDiscoveryResponse(kSpot);
  const std::vector<std::uint8_t> shortPreamble(spot.begin() + 4, spot.end());
  std::vector<std::uint8_t> noisy = {0x00, 0x00};
  noisy.insert(noisy.end(), spot.begin(), spot.end());
  const std::vector<Case> cases = {
      {"one answer", {{200us, spot}}, kBranchValid, false},
      {"two answers at once",
       {{200us, spot}, {200us, sim::EncodeDiscoveryResponse(kWash)}},
       kBranchCollision,
       false},
      {"three preamble bytes", {{200us, shortPreamble}}, kBranchValid, true},
      {"noise in front", {{200us, noisy}}, kBranchValid, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::vector<std::uint8_t>> seen;
    for (RdmTiming timing : {RdmTiming::kClassic, RdmTiming::kE120}) {
      transport.SetTiming(timing);
      chip.answers = {c.answers};
      const BranchAnswer answer = transport.Branch(BranchAll(), 100);
      EXPECT_TRUE(answer.sent);
      EXPECT_TRUE(answer.read);
      seen.emplace_back(answer.bytes.begin(), answer.bytes.end());
      EXPECT_EQ(DecodeDiscoveryResponse(answer.bytes, 0, kBroadcastUid - 1).result, c.result);
      if (timing == RdmTiming::kClassic) continue;
      if (c.endsOnQuiet) {
        // The quiet gap counts from when the last byte was read, which is at
        // most a latency timer and an empty packet after it came.
        const Duration quiet = Duration(kMaxInterSlotUs) + FtdiLine::kInterfaceLatency;
        EXPECT_GE(clock.Now(), chip.lastArrival + quiet);
        // One more read that begins at or after the end may take another.
        EXPECT_LE(clock.Now(), chip.lastArrival + 3 * kLatencyTimer + quiet + kLatencyTimer);
      } else {
        EXPECT_LE(clock.Now(), chip.lastArrival + 2 * kLatencyTimer);
      }
    }
    EXPECT_EQ(seen.at(0), seen.at(1));
  }
}

// E1.20 timing changes how long the reads wait, never what reaches libftdi.
TEST_P(FrameRead, TheLibftdiCallsAreTheSameInBothTimings) {
  for (RdmTiming timing : {RdmTiming::kClassic, RdmTiming::kE120}) {
    SCOPED_TRACE(RdmTimingName(timing));
    chip.calls.clear();
    chip.answers = {{{200us, DeviceInfoReply()}}};
    EXPECT_TRUE(Transact(GetInfo(), timing).IsAck());
    chip.answers = {{}};
    EXPECT_FALSE(Transact(GetInfo(), timing).Answered());
    chip.answers = {{{200us, sim::EncodeDiscoveryResponse(kSpot)}}};
    transport.Branch(BranchAll(), 100);
    EXPECT_THAT(
        chip.calls,
        ElementsAre("purge rx", "purge tx", "line 8 2 0 break", "line 8 2 0", "write 26", "read",
                    "purge rx", "purge tx", "line 8 2 0 break", "line 8 2 0", "write 26", "read",
                    "purge rx", "purge tx", "line 8 2 0 break", "line 8 2 0", "write 38", "read"));
  }
}

INSTANTIATE_TEST_SUITE_P(Deliveries, FrameRead,
                         ::testing::Values(Delivery::kUntilAnEmptyPacket,
                                           Delivery::kOnePacketACall),
                         [](const auto& info) {
                           return info.param == Delivery::kUntilAnEmptyPacket
                                      ? std::string("UntilAnEmptyPacket")
                                      : std::string("OnePacketACall");
                         });

}  // namespace
}  // namespace korval
