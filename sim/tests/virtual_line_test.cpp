// The virtual line as the tool uses it: through RdmTransport, with faults,
// DMX512 frames, unplugging and the timing of reads.
#include "sim/virtual_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rdm/transport.h"
#include "sim/tests/line_fixture.h"

namespace korval::sim {
namespace {

using namespace rdm;
using namespace std::chrono_literals;
using testing::Branch;
using ::testing::ElementsAre;
using testing::Fixture;
using ::testing::IsEmpty;
using testing::OpenLine;
using testing::Reply;
using testing::Request;

constexpr Uid kSpot = 0x4B52'0000'0101ULL;
constexpr Uid kWash = 0x4B52'0000'0201ULL;

struct TransportOnLine : ::testing::Test {
  VirtualLine line{Timing::kInstant};
  std::vector<std::string> log;
  RdmTransport transport{line, [this](const std::string& s) { log.push_back(s); }};

  TransportOnLine() {
    LineHandle h = 0;
    EXPECT_EQ(line.Open(0, &h), kLineOk);
    transport.SetHandle(h);
  }
  bool Logged(const std::string& text) const {
    return std::find(log.begin(), log.end(), text) != log.end();
  }
  RdmReply Get(Uid uid, std::uint16_t pid) {
    return transport.Transact({.destination = uid, .commandClass = kGetCommand, .pid = pid});
  }
};

TEST_F(TransportOnLine, GetAndSetGoThroughTheTransaction) {
  line.AddResponder(Fixture(kSpot));
  const RdmReply info = Get(kSpot, kPidDeviceInfo);
  EXPECT_TRUE(info.IsAck());
  EXPECT_EQ(info.data.size(), 19u);
  const std::uint8_t newAddress[] = {0x01, 0x00};
  EXPECT_EQ(transport.Request(kSpot, kSetCommand, kPidDmxStartAddress, newAddress), kAck);
  EXPECT_EQ(line.FindResponder(kSpot)->StartAddress(), 256);
  const RdmReply address = Get(kSpot, kPidDmxStartAddress);
  EXPECT_TRUE(address.IsAck());
  EXPECT_THAT(address.data, ElementsAre(0x01, 0x00));
  const std::uint8_t tooHigh[] = {0x02, 0x01};
  EXPECT_EQ(transport.Request(kSpot, kSetCommand, kPidDmxStartAddress, tooHigh), kNotAck);
  EXPECT_EQ(transport.Request(kWash, kGetCommand, kPidDeviceInfo), kNoReply);
  EXPECT_TRUE(Logged("no response"));
}

TEST_F(TransportOnLine, SilentResponderNeitherAnswersNorCarriesOut) {
  ResponderConfig c = Fixture(kSpot);
  c.faults.silent = true;
  line.AddResponder(c);
  const std::uint8_t address[] = {0x00, 0x10};
  EXPECT_EQ(transport.Request(kSpot, kSetCommand, kPidDmxStartAddress, address), kNoReply);
  EXPECT_EQ(line.FindResponder(kSpot)->StartAddress(), 1);
  OpenLine raw;
  raw.line.AddResponder(c);
  EXPECT_THAT(raw.Transact(Branch(0, kBroadcastUid - 1)), IsEmpty());
  EXPECT_THAT(raw.Transact(Request(kSpot, kDiscoveryCommand, kPidDiscMute)), IsEmpty());
}

TEST_F(TransportOnLine, IgnoresMuteAnswersTheBranchAndNeverAcknowledgesMute) {
  ResponderConfig c = Fixture(kSpot);
  c.faults.ignores_mute = true;
  line.AddResponder(c);
  EXPECT_EQ(transport.Request(kSpot, kDiscoveryCommand, kPidDiscMute), kNoReply);
  EXPECT_FALSE(line.FindResponder(kSpot)->Muted());
  line.FindResponder(kSpot)->SetMuted(true);  // even muted by force it answers
  OpenLine raw;
  raw.line.AddResponder(c).SetMuted(true);
  EXPECT_EQ(raw.Transact(Branch(0, kBroadcastUid - 1)), EncodeDiscoveryResponse(kSpot));
  // Other requests are answered as usual.
  EXPECT_EQ(transport.Request(kSpot, kGetCommand, kPidDeviceInfo), kAck);
  EXPECT_EQ(transport.Request(kSpot, kDiscoveryCommand, kPidDiscUnMute), kAck);
}

TEST_F(TransportOnLine, BadChecksumSpoilsEveryReplyDiscoveryIncluded) {
  ResponderConfig c = Fixture(kSpot);
  c.faults.bad_checksum = true;
  line.AddResponder(c);
  EXPECT_EQ(transport.Request(kSpot, kGetCommand, kPidDeviceInfo), kNoReply);
  EXPECT_EQ(transport.Request(kSpot, kDiscoveryCommand, kPidDiscMute), kNoReply);
  EXPECT_EQ(Get(kSpot, kPidDeviceInfo).status, ReplyStatus::kBadChecksum);
  OpenLine raw;
  raw.line.AddResponder(c);
  const auto branch = raw.Transact(Branch(0, kBroadcastUid - 1));
  ASSERT_EQ(branch.size(), 24u);
  const auto good = EncodeDiscoveryResponse(kSpot);
  EXPECT_TRUE(std::equal(good.begin(), good.begin() + 20, branch.begin()));
  EXPECT_NE(good, branch);
  EXPECT_EQ(EncodeDiscoveryResponse(kSpot, true), branch);
}

TEST_F(TransportOnLine, NoiseBeforeReplyIsSkippedByTheStartCodeSearchUpToFourBytes) {
  struct Case {
    int noise;
    int result;
  };
  for (const Case c : {Case{1, kAck}, Case{4, kAck}, Case{5, kNoReply}, Case{9, kNoReply}}) {
    ResponderConfig config = Fixture(kSpot + static_cast<Uid>(c.noise));
    config.faults.noise_before_reply = c.noise;
    line.AddResponder(config);
    EXPECT_EQ(transport.Request(config.uid, kGetCommand, kPidDeviceInfo), c.result) << c.noise;
    OpenLine raw;
    raw.line.AddResponder(config);
    const auto bytes = raw.Transact(Request(config.uid, kGetCommand, kPidDeviceInfo));
    ASSERT_GT(bytes.size(), static_cast<std::size_t>(c.noise));
    EXPECT_EQ(bytes[static_cast<std::size_t>(c.noise)], kStartCode);
    for (int i = 0; i < c.noise; ++i) EXPECT_NE(bytes[static_cast<std::size_t>(i)], kStartCode);
  }
}

TEST_F(TransportOnLine, NackAllRefusesGetAndSetButStillTakesDiscovery) {
  ResponderConfig c = Fixture(kSpot);
  c.faults.nack_all = true;
  line.AddResponder(c);
  EXPECT_EQ(transport.Request(kSpot, kGetCommand, kPidDeviceInfo), kNotAck);
  const RdmReply refused = Get(kSpot, kPidDeviceInfo);
  EXPECT_EQ(refused.status, ReplyStatus::kNack);
  EXPECT_EQ(refused.responseType, kResponseNackReason);
  const std::uint8_t address[] = {0x00, 0x10};
  EXPECT_EQ(transport.Request(kSpot, kSetCommand, kPidDmxStartAddress, address), kNotAck);
  EXPECT_EQ(line.FindResponder(kSpot)->StartAddress(), 1);
  EXPECT_EQ(transport.Request(kSpot, kDiscoveryCommand, kPidDiscMute), kAck);
}

TEST_F(TransportOnLine, AThousandTransactionsRunOnTheSimulatedClock) {
  line.AddResponder(Fixture(kSpot));
  const auto before = line.GetClock().Now();
  int acks = 0;
  for (int i = 0; i < 1000; ++i)
    acks += transport.Request(kSpot, kGetCommand, kPidDeviceInfo) == kAck;
  EXPECT_EQ(acks, 1000);
  // Each transaction's 200-byte read runs into its 50 ms timeout.
  EXPECT_GE(line.GetClock().Now() - before, 1000 * 50ms);
  EXPECT_EQ(line.RdmRequestCount(), 1000u);
}

TEST(LineTimingTest, ReplyBytesArriveAtLineSpeedAndTimeoutsTakeTheirTime) {
  OpenLine t;
  t.line.AddResponder(Fixture(kSpot));
  Clock& clock = t.line.GetClock();
  auto start = clock.Now();
  t.Send(EncodeRdmRequest(Request(kSpot, kGetCommand, kPidDeviceInfo)));
  // The write returns when break, MAB and the 26 request bytes have left.
  EXPECT_EQ(clock.Now() - start, kBreakAndMab + 26 * kByteTime);
  start = clock.Now();
  std::uint8_t first = 0;
  std::uint32_t got = 0;
  EXPECT_EQ(t.line.Read(t.handle, std::span(&first, 1), &got), kLineOk);
  EXPECT_EQ(got, 1u);
  EXPECT_EQ(first, kStartCode);
  // The turnaround and one reply byte.
  EXPECT_EQ(clock.Now() - start, kTurnaround + kByteTime);
  // The other 44 bytes come in 44 x 44 us; asking for 44 takes exactly that.
  start = clock.Now();
  std::vector<std::uint8_t> rest(44, 0xFF);
  EXPECT_EQ(t.line.Read(t.handle, rest, &got), kLineOk);
  EXPECT_EQ(got, 44u);
  EXPECT_EQ(clock.Now() - start, 44 * kByteTime);
  // Nothing more: a read times out after 50 ms and leaves the buffer untouched.
  start = clock.Now();
  std::vector<std::uint8_t> none(10, 0xEE);
  EXPECT_EQ(t.line.Read(t.handle, none, &got), kLineOk);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(clock.Now() - start, 50ms);
  EXPECT_THAT(none, ::testing::Each(0xEE));
  // SetTimeouts changes it.
  t.line.SetTimeouts(t.handle, 20, 20);
  start = clock.Now();
  t.line.Read(t.handle, none, &got);
  EXPECT_EQ(clock.Now() - start, 20ms);
}

TEST(LineTimingTest, RealTimingSleepsForTheReadTimeout) {
  VirtualLine line(Rig{}, Timing::kReal);
  EXPECT_EQ(line.GetTiming(), Timing::kReal);
  LineHandle h = 0;
  ASSERT_EQ(line.Open(0, &h), kLineOk);
  const auto start = std::chrono::steady_clock::now();
  std::uint8_t b = 0;
  std::uint32_t got = 0;
  EXPECT_EQ(line.Read(h, std::span(&b, 1), &got), kLineOk);
  EXPECT_EQ(got, 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(LineTimingTest, RealTimingCarriesATransaction) {
  Rig rig;
  rig.responders = {Fixture(kSpot)};
  VirtualLine line(rig);
  EXPECT_EQ(line.GetTiming(), Timing::kReal);
  RdmTransport transport(line, nullptr);
  LineHandle h = 0;
  ASSERT_EQ(line.Open(0, &h), kLineOk);
  transport.SetHandle(h);
  const auto start = std::chrono::steady_clock::now();
  const RdmReply info = transport.Transact(
      {.destination = kSpot, .commandClass = kGetCommand, .pid = kPidDeviceInfo});
  EXPECT_TRUE(info.IsAck());
  EXPECT_EQ(info.data.size(), 19u);
  // The 200-byte read gets 44 bytes and waits out its timeout.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

// The slowest legal responder is heard with E1.20 timing; one answering well
// outside E1.20's window is missed there, as it should be, and heard by the
// reads that wait out the timeout. Real timing: the replies come in the
// pieces of an FTDI chip's 1 ms latency timer.
TEST(LineTimingTest, RealTimingHearsTheSlowestLegalResponderInE120AndALateOneOnlyInClassic) {
  Rig rig;
  rig.responders = {Fixture(kSpot), Fixture(kWash)};
  rig.responders[0].turnaround_us = kResponderTurnaroundMaxUs;
  rig.responders[1].faults.late = true;
  VirtualLine line(rig, Timing::kReal);
  RdmTransport transport(line, nullptr);
  LineHandle h = 0;
  ASSERT_EQ(line.Open(0, &h), kLineOk);
  transport.SetHandle(h);
  const auto info = [&](Uid uid, RdmTiming timing) {
    transport.SetTiming(timing);
    return transport.Transact(
        {.destination = uid, .commandClass = kGetCommand, .pid = kPidDeviceInfo});
  };
  const RdmReply slow = info(kSpot, RdmTiming::kE120);
  EXPECT_TRUE(slow.IsAck());
  EXPECT_EQ(slow.data.size(), 19u);
  EXPECT_EQ(info(kWash, RdmTiming::kE120).status, ReplyStatus::kNoReply);
  EXPECT_TRUE(info(kWash, RdmTiming::kClassic).IsAck());
}

TEST(LineTimingTest, PurgeReceiveDropsRepliesNotYetRead) {
  OpenLine t;
  t.line.AddResponder(Fixture(kSpot));
  t.Send(EncodeRdmRequest(Request(kSpot, kGetCommand, kPidDeviceInfo)));
  t.line.Purge(t.handle, kPurgeRx);
  EXPECT_THAT(t.ReadAll(), IsEmpty());
}

struct DmxOutput : ::testing::Test {
  OpenLine t;
  // As the output ticker sends it: break, start code, then the slots.
  void SendFrame(std::uint8_t fill) {
    t.line.SetBreakOn(t.handle);
    t.line.SetBreakOff(t.handle);
    const std::uint8_t start = 0x00;
    std::vector<std::uint8_t> slots(512, fill);
    slots[0] = 1;
    slots[511] = 2;
    std::uint32_t n = 0;
    EXPECT_EQ(t.line.Write(t.handle, std::span(&start, 1), &n), kLineOk);
    EXPECT_EQ(t.line.Write(t.handle, slots, &n), kLineOk);
  }
};

TEST_F(DmxOutput, TwoWritesAfterOneBreakMakeOneFrame) {
  EXPECT_EQ(t.line.DmxFrameCount(), 0u);
  EXPECT_THAT(t.line.LastDmxFrame(), ::testing::Each(0));
  SendFrame(0x40);
  EXPECT_EQ(t.line.DmxFrameCount(), 1u);
  const auto frame = t.line.LastDmxFrame();
  EXPECT_EQ(frame[0], 0x00);
  EXPECT_EQ(frame[1], 1);
  EXPECT_EQ(frame[2], 0x40);
  EXPECT_EQ(frame[512], 2);
  SendFrame(0x40);
  SendFrame(0x41);
  EXPECT_EQ(t.line.DmxFrameCount(), 3u);
  EXPECT_EQ(t.line.LastDmxFrame()[2], 0x41);
  // DMX frames are nobody's request.
  EXPECT_EQ(t.line.RdmRequestCount(), 0u);
}

TEST_F(DmxOutput, FramesTakeTheirWireTimeSoLaterRepliesAreNotDelayed) {
  const auto start = t.line.GetClock().Now();
  for (int i = 0; i < 100; ++i) SendFrame(static_cast<std::uint8_t>(i));
  // Each frame after the first keeps E1.20's least spacing after the one before.
  EXPECT_EQ(t.line.GetClock().Now() - start,
            100 * (kBreakAndMab + 513 * kByteTime) + 99 * FrameSpacing(FrameEnd::kNotAwaited));
  t.line.AddResponder(Fixture(kSpot));
  EXPECT_EQ(Reply{t.Transact(Request(kSpot, kGetCommand, kPidDeviceInfo))}.ResponseType(),
            kResponseAck);
}

TEST_F(DmxOutput, AShortFrameEndsAtTheNextBreak) {
  t.line.SetBreakOn(t.handle);
  t.line.SetBreakOff(t.handle);
  const std::vector<std::uint8_t> shortFrame = {0x00, 9, 8, 7};
  std::uint32_t n = 0;
  t.line.Write(t.handle, shortFrame, &n);
  EXPECT_EQ(t.line.DmxFrameCount(), 0u);
  t.line.SetBreakOn(t.handle);
  EXPECT_EQ(t.line.DmxFrameCount(), 1u);
  EXPECT_EQ(t.line.LastDmxFrame()[3], 7);
  EXPECT_EQ(t.line.LastDmxFrame()[4], 0);
}

TEST(PlugTest, UnpluggedLineFailsEveryCallUntilPluggedBack) {
  VirtualLine line(Timing::kInstant);
  line.AddResponder(Fixture(kSpot));
  line.Unplug();
  LineHandle h = 0;
  EXPECT_NE(line.Open(0, &h), kLineOk);
  line.Plug();
  ASSERT_EQ(line.Open(0, &h), kLineOk);
  EXPECT_NE(h, 0u);
  line.Unplug();
  EXPECT_FALSE(line.IsPlugged());
  std::uint8_t b = 0;
  std::uint32_t n = 0;
  const std::uint8_t one = 0;
  EXPECT_NE(line.Read(h, std::span(&b, 1), &n), kLineOk);
  EXPECT_NE(line.Write(h, std::span(&one, 1), &n), kLineOk);
  EXPECT_EQ(n, 0u);
  EXPECT_NE(line.ResetDevice(h), kLineOk);
  EXPECT_NE(line.SetBaudRate(h, 250000), kLineOk);
  EXPECT_NE(line.SetDataCharacteristics(h, kBits8, kStopBits2, kParityNone), kLineOk);
  EXPECT_NE(line.SetFlowControl(h, kFlowNone, 0, 0), kLineOk);
  EXPECT_NE(line.Purge(h, kPurgeRx), kLineOk);
  EXPECT_NE(line.SetTimeouts(h, 50, 50), kLineOk);
  EXPECT_NE(line.SetBreakOn(h), kLineOk);
  EXPECT_NE(line.SetBreakOff(h), kLineOk);
  EXPECT_NE(line.Close(h), kLineOk);
  line.Plug();
  EXPECT_EQ(line.Read(h, std::span(&b, 1), &n), kLineOk);
  EXPECT_EQ(line.Close(h), kLineOk);
}

TEST(PlugTest, OnlyInterfaceZeroOpensAndOnlyItsHandleWorks) {
  VirtualLine line(Timing::kInstant);
  LineHandle h = 0;
  EXPECT_NE(line.Open(1, &h), kLineOk);
  std::uint8_t b = 0;
  std::uint32_t n = 0;
  EXPECT_NE(line.Read(0, std::span(&b, 1), &n), kLineOk);  // not opened
  ASSERT_EQ(line.Open(0, &h), kLineOk);
  EXPECT_NE(line.Open(0, &h), kLineOk);  // already open
  EXPECT_NE(line.Read(h + 1, std::span(&b, 1), &n), kLineOk);
  EXPECT_EQ(line.Close(h), kLineOk);
  EXPECT_NE(line.Read(h, std::span(&b, 1), &n), kLineOk);
}

TEST(ResponderAccessTest, RespondersCanBeFoundAddedAndRemoved) {
  Rig rig;
  rig.timing = Timing::kInstant;
  rig.responders = {Fixture(kSpot), Fixture(kWash)};
  VirtualLine line(rig);
  EXPECT_EQ(line.GetTiming(), Timing::kInstant);
  EXPECT_THAT(line.ResponderUids(), ElementsAre(kSpot, kWash));
  ASSERT_NE(line.FindResponder(kWash), nullptr);
  EXPECT_EQ(line.FindResponder(kWash)->GetUid(), kWash);
  EXPECT_EQ(line.FindResponder(kWash + 1), nullptr);
  EXPECT_TRUE(line.RemoveResponder(kSpot));
  EXPECT_FALSE(line.RemoveResponder(kSpot));
  EXPECT_THAT(line.ResponderUids(), ElementsAre(kWash));
}

}  // namespace
}  // namespace korval::sim

namespace korval::sim {
namespace {

// A controller elsewhere asks through us: its own source UID and transaction
// number go out and come back, the window's numbering and log are untouched,
// and the reply is read in E1.20 timing although the window reads classic.
TEST_F(TransportOnLine, AForwardedRequestKeepsTheControllersIdentityAndTiming) {
  line.AddResponder(Fixture(kSpot));
  constexpr Uid kConsole = 0x7A70'00000001ULL;
  const std::vector<std::uint8_t> frame =
      EncodeRequestFrame({.destination = kSpot, .commandClass = kGetCommand, .pid = kPidDeviceInfo},
                         kConsole, 0x42, 1);
  std::vector<std::string> forwardLog;
  const auto before = line.GetClock().Now();
  const ForwardedReply forwarded = transport.Forward(
      frame, true, [&forwardLog](const std::string& s) { forwardLog.push_back(s); });
  EXPECT_LT(line.GetClock().Now() - before, 10ms);
  ASSERT_TRUE(forwarded.reply.IsAck());
  EXPECT_EQ(forwarded.reply.destination, kConsole);
  EXPECT_EQ(forwarded.reply.transaction, 0x42);
  // The frame handed back is the whole reply, checksum included, nothing more.
  ASSERT_EQ(forwarded.frame.size(), forwarded.frame[kOffsetMessageLength] + std::size_t{2});
  EXPECT_EQ(DecodeReplyFrame(forwarded.frame).data, forwarded.reply.data);
  ASSERT_FALSE(line.Requests().empty());
  EXPECT_EQ(line.Requests().back().request.pid, kPidDeviceInfo);
  EXPECT_TRUE(line.Requests().back().checksumOk);
  ASSERT_EQ(forwardLog.size(), 2u);
  EXPECT_EQ(forwardLog[0].rfind("Request__:", 0), 0u);
  EXPECT_EQ(forwardLog[1].rfind("Response_:", 0), 0u);
  EXPECT_THAT(log, IsEmpty());
  EXPECT_EQ(transport.TransactionNumber(), 0);

  // A broadcast goes out and nothing is read back.
  const std::uint8_t address[] = {0x00, 0x21};
  const std::vector<std::uint8_t> broadcast = EncodeRequestFrame({.destination = kBroadcastUid,
                                                                  .commandClass = kSetCommand,
                                                                  .pid = kPidDmxStartAddress,
                                                                  .data = {address, address + 2}},
                                                                 kConsole, 0x43, 1);
  const ForwardedReply none = transport.Forward(broadcast, false, {});
  EXPECT_TRUE(none.frame.empty());
  EXPECT_EQ(line.FindResponder(kSpot)->StartAddress(), 0x21);
}

}  // namespace
}  // namespace korval::sim
