// The FTDI line never starts a frame while the chip still sends the last one:
// an FT232R drops what is left in its transmit buffer on a purge or a break,
// and a frame that expects no reply (a broadcast, the un-mutes of a discovery,
// a DMX512 frame) would otherwise be cut off by the next request. Between
// frames the line keeps E1.20's controller spacing, as the wire sees it.
#include <gtest/gtest.h>

#include <functional>
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
using testing::ChipFtdi;
using testing::Delivery;
using Duration = Clock::Duration;

constexpr Uid kSpot = 0x4B52'0000'0101ULL;

struct Setup {
  Delivery delivery;
  RdmTiming timing;
};

class Spacing : public ::testing::TestWithParam<Setup> {
 protected:
  SimulatedClock clock;
  ChipFtdi::Shared chip;
  FtdiLine line{std::make_unique<ChipFtdi>(chip, clock), clock};
  RdmTransport transport{line, nullptr};
  LineHandle h = 0;

  Spacing() {
    chip.delivery = GetParam().delivery;
    EXPECT_EQ(line.Open(0, &h), kLineOk);
    line.SetTimeouts(h, kLineTimeoutMs, kLineTimeoutMs);
    transport.SetHandle(h);
    transport.SetTiming(GetParam().timing);
  }

  RdmReply Get(Uid uid) {
    return transport.Transact(
        {.destination = uid, .commandClass = kGetCommand, .pid = kPidDeviceInfo});
  }
  void DmxFrame() {
    const std::vector<std::uint8_t> startCode(1, kNullStartCode), slots(512, 0x7F);
    std::uint32_t written = 0;
    line.SetBreakOn(h);
    line.SetBreakOff(h);
    line.Write(h, startCode, &written);
    line.Write(h, slots, &written);
  }
};

TEST_P(Spacing, EveryFrameLeavesWholeAndTheNextBreakWaitsOutTheSpacing) {
  struct Case {
    const char* name;
    std::function<void()> frames;  // answers scripted per write, in order
    Duration spacing;              // before the next break
  };
  const std::vector<std::uint8_t> reply =
      testing::ReplyFrame(kSpot, kPidDeviceInfo, kResponseAck, std::vector<std::uint8_t>(19, 1));
  RdmRequest branch{
      .destination = kBroadcastUid, .commandClass = kDiscoveryCommand, .pid = kPidDiscUniqueBranch};
  AppendBe48(branch.data, 0);
  AppendBe48(branch.data, kBroadcastUid - 1);
  const std::vector<Case> cases = {
      {"a broadcast SET",
       [&] {
         chip.answers = {{}};
         transport.Transact({.destination = kBroadcastUid,
                             .commandClass = kSetCommand,
                             .pid = kPidDmxStartAddress,
                             .data = {0x00, 0x01}},
                            false);
       },
       FrameSpacing(FrameEnd::kNotAwaited)},
      {"two DISC_UN_MUTEs to all",
       [&] {
         chip.answers = {{}, {}};
         for (int i = 0; i < 2; ++i) {
           transport.Transact({.destination = kBroadcastUid,
                               .commandClass = kDiscoveryCommand,
                               .pid = kPidDiscUnMute},
                              false);
         }
       },
       FrameSpacing(FrameEnd::kNotAwaited)},
      {"a DMX512 frame", [&] { DmxFrame(); }, FrameSpacing(FrameEnd::kNotAwaited)},
      {"a reply",
       [&] {
         chip.answers = {{{200us, reply}}};
         Get(kSpot);
       },
       FrameSpacing(FrameEnd::kAnswered)},
      {"a lost reply",
       [&] {
         chip.answers = {{}};
         Get(kSpot);
       },
       FrameSpacing(FrameEnd::kReplyLost)},
      {"a branch nobody answered",
       [&] {
         chip.answers = {{}};
         transport.Branch(branch, 100);
       },
       FrameSpacing(FrameEnd::kBranchUnanswered)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    chip.frames.clear();
    c.frames();
    chip.quietBeforeBreak.clear();
    chip.answers = {{{200us, reply}}};
    EXPECT_TRUE(Get(kSpot).IsAck());
    ASSERT_FALSE(chip.frames.empty());
    for (const ChipFtdi::Frame& f : chip.frames) EXPECT_EQ(f.dropped, 0u) << f.bytes.size();
    ASSERT_EQ(chip.quietBeforeBreak.size(), 1u);
    EXPECT_GE(chip.quietBeforeBreak[0], c.spacing);
  }
}

// The un-mutes that open a discovery are broadcasts nobody answers; cut off,
// they leave a fixture muted by an earlier discovery muted, and it is missed.
TEST_P(Spacing, AFixtureMutedBeforeIsFoundByTheNextDiscovery) {
  sim::ResponderConfig config;
  config.uid = kSpot;
  sim::Responder spot(config);
  spot.SetMuted(true);
  chip.responder = &spot;
  DeviceTable table;
  Discovery discovery(transport, table);
  discovery.Run({});
  ASSERT_EQ(table.count, 1);
  EXPECT_EQ(table.slots[1], kSpot);
  for (const ChipFtdi::Frame& f : chip.frames) EXPECT_EQ(f.dropped, 0u);
}

INSTANTIATE_TEST_SUITE_P(DeliveriesAndTimings, Spacing,
                         ::testing::Values(Setup{Delivery::kUntilAnEmptyPacket,
                                                 RdmTiming::kClassic},
                                           Setup{Delivery::kUntilAnEmptyPacket, RdmTiming::kE120},
                                           Setup{Delivery::kOnePacketACall, RdmTiming::kE120}),
                         [](const auto& info) {
                           return std::string(info.param.delivery == Delivery::kOnePacketACall
                                                  ? "OnePacketACall"
                                                  : "UntilAnEmptyPacket") +
                                  (info.param.timing == RdmTiming::kE120 ? "E120" : "Classic");
                         });

}  // namespace
}  // namespace korval
