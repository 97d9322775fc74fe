// The FT232R model on its own, in model time: what it puts on the wire for
// the host's requests (and what it throws away), and what it hands back. The
// tests through libusb rely on both: a model that stopped dropping unsent
// bytes would let a cut frame pass unseen.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "rdm/rdm_constants.h"
#include "sim/rdm_request.h"
#include "tests/ft232r/ft232r_chip.h"

namespace korval::ft232r {
namespace {

using namespace std::chrono_literals;

constexpr Uid kFixture = 0x4B52'0000'0011ULL;
constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kSetData = 0x04;
constexpr std::uint16_t k8N2 = 0x1008;       // 8 bits, no parity, two stop bits
constexpr std::uint16_t kBreakBit = 0x4000;  // on the wire: the line held low

sim::ResponderConfig Fixture() {
  sim::ResponderConfig config;
  config.uid = kFixture;
  return config;
}

std::vector<std::uint8_t> GetFrame() {
  sim::RdmRequest request;
  request.destination = kFixture;
  request.source = kControllerUid;
  request.commandClass = rdm::kGetCommand;
  request.pid = rdm::kPidDeviceInfo;
  return sim::EncodeRdmRequest(request);  // 26 bytes: 1144 us on the wire
}

// A chip at 250000 baud 8N2 with one fixture behind it.
struct Bench {
  Bench() {
    Vendor(0us, 0x03, 12);  // 3 MHz / 12 = 250000 baud
    Vendor(0us, kSetData, k8N2);
    Vendor(0us, 0x09, 1);  // latency timer 1 ms
  }
  void Vendor(Micros at, std::uint8_t request, std::uint16_t value) {
    EXPECT_TRUE(chip.Control(at, {.requestType = kVendorOut, .request = request, .value = value}));
  }
  // A break from `at` for 200 us, a mark after break of 200 us, then the frame.
  void SendAfterBreak(Micros at, const std::vector<std::uint8_t>& frame) {
    Vendor(at, kSetData, k8N2 | kBreakBit);
    Vendor(at + 200us, kSetData, k8N2);
    chip.StartOut(at + 400us, frame);
  }
  std::vector<const ModelEvent*> Events(const std::string& kind) const {
    std::vector<const ModelEvent*> found;
    for (const ModelEvent& e : log.Events()) {
      if (e.kind == kind) found.push_back(&e);
    }
    return found;
  }

  ModelLog log{""};
  DmxBus bus{{Fixture()}, log};
  Chip chip{bus, log, "TEST0001"};
};

TEST(Ft232rChip, WhatTheWireCarriesAndWhatIsThrownAway) {
  struct Case {
    const char* name;
    std::optional<Micros> purgeAt;  // purge TX (libftdi's tcoflush)
    std::optional<Micros> breakAt;  // the next break
    std::optional<Micros> baudAt;   // 9600 baud
    const char* why;                // of the frame; nullptr: readable
    int dropped;                    // bytes thrown away unsent
  };
  // The frame's bytes start at 400 us, one every 44 us; the 12th starts at 884.
  const std::vector<Case> cases{
      {"left whole", std::nullopt, 1600us, std::nullopt, nullptr, 0},
      {"purged while 14 bytes wait", 900us, std::nullopt, std::nullopt, "cut", 14},
      {"a break cuts the byte on the wire too", std::nullopt, 900us, std::nullopt, "cut", 15},
      {"sent at 9600 baud", std::nullopt, std::nullopt, 0us, "settings", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    if (c.baudAt) b.Vendor(*c.baudAt, 0x03, 0x4138);
    b.SendAfterBreak(0us, GetFrame());
    if (c.purgeAt) b.Vendor(*c.purgeAt, 0x00, 1);
    if (c.breakAt) b.Vendor(*c.breakAt, kSetData, k8N2 | kBreakBit);
    b.chip.Flush(50'000us);
    const auto frames = b.Events("frame");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0]->Field("readable"), c.why ? "no" : "yes");
    EXPECT_EQ(frames[0]->Field("why"), c.why ? c.why : "");
    EXPECT_EQ(frames[0]->Number("break"), 200);
    EXPECT_EQ(frames[0]->Number("mab"), 200);
    const auto drops = b.Events("drop");
    EXPECT_EQ(drops.empty() ? 0 : drops[0]->Number("bytes"), c.dropped);
    // Only a readable request reaches the fixture.
    EXPECT_EQ(b.bus.RequestsCarried(), c.why ? 0u : 1u);
  }
}

// A write returns once the chip has taken its last packet: with 513 bytes the
// buffer still holds 128 of them and one is on the wire, 5.7 ms of the frame.
TEST(Ft232rChip, AWriteIsDoneWhileTheBufferStillSends) {
  Bench b;
  b.SendAfterBreak(0us, std::vector<std::uint8_t>(513, 0x00));
  b.chip.Advance(30'000us);
  ASSERT_TRUE(b.chip.OutDone());
  const auto frames = b.Events("frame");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0]->Field("readable"), "yes");
  const Micros left = Micros(frames[0]->Number("end")) - *b.chip.OutDone();
  EXPECT_EQ(left, 129 * 44us);
}

// The reply to a GET comes back in 64-byte packets, each led by the modem and
// line status; the responder's break arrives as a 0x00 with the break and
// framing-error bits. A read that finds nothing ends when the latency timer
// runs out, with a packet of status bytes alone.
TEST(Ft232rChip, RepliesReachTheHostInPacketsLedByTheirStatus) {
  Bench b;
  Chip& chip = b.chip;
  chip.StartIn(0us, 4096);
  chip.Advance(999us);
  EXPECT_FALSE(chip.InDone());
  chip.Advance(1000us);
  ASSERT_TRUE(chip.InDone());
  EXPECT_EQ(chip.EndIn(),
            (std::vector<std::uint8_t>{0x01, kStatusTxHoldingEmpty | kStatusTxEmpty}));

  b.SendAfterBreak(1000us, GetFrame());
  std::vector<std::uint8_t> data;
  std::uint8_t breakStatus = 0;
  for (Micros t = 1000us; t < 10'000us; t += 250us) {
    chip.StartIn(t, 4096);
    chip.Advance(t + 2000us);
    ASSERT_TRUE(chip.InDone());
    const std::vector<std::uint8_t> packets = chip.EndIn();
    for (std::size_t at = 0; at < packets.size(); at += kPacketBytes) {
      ASSERT_EQ(packets[at], 0x01) << "modem status at " << at;
      const auto end = std::min(packets.size(), at + kPacketBytes);
      if (end > at + 2 && packets[at + 2] == 0x00) breakStatus = packets[at + 1];
      data.insert(data.end(), packets.begin() + static_cast<std::ptrdiff_t>(at + 2),
                  packets.begin() + static_cast<std::ptrdiff_t>(end));
    }
    t = *chip.InDone();
  }
  ASSERT_GE(data.size(), 2u);
  EXPECT_EQ(data[0], 0x00) << "the break";
  EXPECT_EQ(breakStatus & (kStatusBreak | kStatusFramingError), kStatusBreak | kStatusFramingError);
  EXPECT_EQ(data[1], rdm::kStartCode);
  EXPECT_EQ(data.size(), 1u + data[3] + 2u) << "the whole reply after the break";
}

}  // namespace
}  // namespace korval::ft232r
