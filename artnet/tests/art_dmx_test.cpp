#include "artnet/art_dmx.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "artnet/tests/packet_builder.h"

namespace korval::artnet {
namespace {

using testing::ArtDmxPacket;
using testing::Record;

std::array<std::uint8_t, kDmxSlots> Slots(const DmxSlots& slots) {
  return LoadSlots(slots);
}

void Fill(DmxSlots& slots, std::uint8_t value) {
  for (auto& s : slots) s.store(value);
}

TEST(ArtDmxReceived, UniverseZeroReplacesAllSlotsInOrder) {
  auto input = std::make_unique<DmxSlots>();
  Fill(*input, 0xEE);
  const auto packet = ArtDmxPacket(7);
  EXPECT_TRUE(ArtDmxReceived(Record(packet), *input));
  const auto got = Slots(*input);
  for (std::size_t k = 0; k < kDmxSlots; ++k) {
    ASSERT_EQ(got[k], packet[18 + k]) << "slot " << k;
  }
}

TEST(ArtDmxReceived, PacketsFailingATestLeaveTheSlotsAlone) {
  struct Case {
    std::string what;
    std::function<void(std::vector<std::uint8_t>&)> spoil;
  };
  const std::vector<Case> cases = {
      {"ID byte 0", [](auto& p) { p[0] = 'a'; }},
      {"ID byte 1", [](auto& p) { p[1] = 'R'; }},
      {"ID byte 5", [](auto& p) { p[5] = 'E'; }},
      {"ID byte 6", [](auto& p) { p[6] = 'T'; }},
      {"ArtPoll OpCode", [](auto& p) { p[9] = 0x20; }},
      {"ArtPollReply OpCode", [](auto& p) { p[9] = 0x21; }},
      {"OpCode low byte", [](auto& p) { p[8] = 0x01; }},
      {"OpCode high first", [](auto& p) { p[8] = 0x50, p[9] = 0x00; }},
      {"SubUni 1", [](auto& p) { p[14] = 1; }},
      {"Net 1", [](auto& p) { p[15] = 1; }},
      {"Length 0x0100 with 512 bytes after", [](auto& p) { p[16] = 0x01; }},
      {"Length 511", [](auto& p) { p[16] = 0x01, p[17] = 0xFF; }},
      {"Length low byte first", [](auto& p) { p[16] = 0x00, p[17] = 0x02; }},
      {"Length 0", [](auto& p) { p[16] = 0x00; }},
  };
  for (const auto& c : cases) {
    auto packet = ArtDmxPacket(1);
    c.spoil(packet);
    auto input = std::make_unique<DmxSlots>();
    Fill(*input, 0xAB);
    EXPECT_FALSE(ArtDmxReceived(Record(packet), *input)) << c.what;
    const auto got = Slots(*input);
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](auto v) { return v == 0xAB; })) << c.what;
  }
}

TEST(ArtDmxReceived, BytesThatAreNotComparedMayHoldAnything) {
  struct Case {
    std::string what;
    std::size_t index;
    std::uint8_t value;
  };
  const std::vector<Case> cases = {
      {"ID byte 2", 2, 'x'},   {"ID byte 3", 3, 0},  {"ID byte 4", 4, 0xFF}, {"ID byte 7", 7, '!'},
      {"ProtVerHi", 10, 0xFF}, {"ProtVerLo", 11, 0}, {"Sequence", 12, 0x80}, {"Physical", 13, 3},
  };
  for (const auto& c : cases) {
    auto packet = ArtDmxPacket(9);
    packet[c.index] = c.value;
    auto input = std::make_unique<DmxSlots>();
    EXPECT_TRUE(ArtDmxReceived(Record(packet), *input)) << c.what;
    EXPECT_EQ(Slots(*input)[0], 9) << c.what;
  }
}

TEST(ArtDmxReceived, ShortDatagramsAreIgnoredWithoutReadingPastTheirEnd) {
  const auto full = ArtDmxPacket(3);
  for (std::size_t length = 0; length < kArtDmxFullBytes; ++length) {
    // An exact-size heap copy: a read past its end is caught by the sanitizers.
    const std::vector<std::uint8_t> datagram(full.begin(), full.begin() + length);
    const auto record = Record(datagram);
    const auto exact = std::make_unique<std::uint8_t[]>(record.size());
    std::copy(record.begin(), record.end(), exact.get());
    auto input = std::make_unique<DmxSlots>();
    Fill(*input, 0x55);
    EXPECT_FALSE(ArtDmxReceived({exact.get(), record.size()}, *input)) << "length " << length;
    EXPECT_EQ(Slots(*input)[0], 0x55) << "length " << length;
  }
  // A record too short even for its own header.
  auto input = std::make_unique<DmxSlots>();
  for (std::size_t n = 0; n <= kRecordHeaderBytes; ++n) {
    const std::vector<std::uint8_t> stub(full.begin(), full.begin() + n);
    EXPECT_FALSE(ArtDmxReceived(stub, *input)) << n;
  }
}

TEST(ArtDmxReceived, LongerDatagramsUseTheFirst512Slots) {
  auto packet = ArtDmxPacket(0);
  packet.resize(packet.size() + 40, 0x99);
  auto input = std::make_unique<DmxSlots>();
  EXPECT_TRUE(ArtDmxReceived(Record(packet), *input));
  EXPECT_EQ(Slots(*input)[511], static_cast<std::uint8_t>(511));
}

TEST(RecordHeader, RoundTripsSenderAndLength) {
  const RecordHeader header{0xC0A80114, 6454, 530};
  const auto bytes = EncodeRecordHeader(header);
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 8>{192, 168, 1, 20, 0x19, 0x36, 0x02, 0x12}));
  const auto back = DecodeRecordHeader(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->senderAddress, header.senderAddress);
  EXPECT_EQ(back->senderPort, 6454);
  EXPECT_EQ(back->length, 530);
  EXPECT_FALSE(DecodeRecordHeader(std::span(bytes).first(7)));
}

TEST(ArtNetOpCode, NeedsTheWholeIdAndTenBytes) {
  auto poll = testing::ArtPollPacket();
  EXPECT_EQ(ArtNetOpCode(poll), kOpPoll);
  EXPECT_FALSE(ArtNetOpCode(std::span(poll).first(9)));
  poll[3] = 'x';
  EXPECT_FALSE(ArtNetOpCode(poll));
}

}  // namespace
}  // namespace korval::artnet
