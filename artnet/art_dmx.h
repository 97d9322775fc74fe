// Art-Net packets as they arrive: the ArtDmx acceptance test for universe 0 and
// the receive callback that keeps its slots.
//
// The node hands each datagram over as a record: kRecordHeaderBytes bytes of
// its own (the sender, the length) followed by the datagram as received.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "rdm/line_buffer.h"

namespace korval::artnet {

inline constexpr std::uint16_t kArtNetPort = 6454;
// Every Art-Net packet begins with this ID, zero byte included, and its OpCode
// (least significant byte first) after it.
inline constexpr std::array<std::uint8_t, 8> kArtNetId = {'A', 'r', 't', '-', 'N', 'e', 't', 0};
inline constexpr std::size_t kOpCodeAt = 8;
inline constexpr std::size_t kArtNetHeaderBytes = 10;
inline constexpr std::uint16_t kOpDmx = 0x5000;
inline constexpr std::uint16_t kOpPoll = 0x2000;
inline constexpr std::uint16_t kOpPollReply = 0x2100;

// An ArtDmx packet carrying a full universe: 18 header bytes and 512 slots.
inline constexpr std::size_t kArtDmxHeaderBytes = 18;
inline constexpr std::size_t kArtDmxFullBytes = kArtDmxHeaderBytes + kDmxSlots;

// Record header: sender IPv4 address (4 bytes), sender port (2 bytes) and
// datagram length (2 bytes), all most significant byte first.
inline constexpr std::size_t kRecordHeaderBytes = 8;

struct RecordHeader {
  std::uint32_t senderAddress = 0;  // host order
  std::uint16_t senderPort = 0;
  std::uint16_t length = 0;
};
std::array<std::uint8_t, kRecordHeaderBytes> EncodeRecordHeader(const RecordHeader& header);
std::optional<RecordHeader> DecodeRecordHeader(std::span<const std::uint8_t> record);

// The 512 slots of an ArtDmx packet for Net 0, SubUni 0 with Length 512, or
// nothing. Only the bytes "Ar" and "et" of the ID are compared, so a packet
// whose ID differs in bytes 2 to 4 or 7 still passes; ProtVer, Sequence and
// Physical are not looked at. A packet shorter than a full universe fails: no
// byte past its end is read.
std::optional<std::span<const std::uint8_t, kDmxSlots>> Universe0Slots(
    std::span<const std::uint8_t> packet);

// The receive callback: a record whose datagram passes the test above replaces
// all 512 slots of artNetInput; any other record leaves them as they were.
// Returns whether the slots were replaced.
bool ArtDmxReceived(std::span<const std::uint8_t> record, DmxSlots& artNetInput);

// The OpCode of an Art-Net packet (full 8-byte ID compared), or nothing.
std::optional<std::uint16_t> ArtNetOpCode(std::span<const std::uint8_t> packet);
// Writes the ID and the OpCode at the start of a packet of at least
// kArtNetHeaderBytes.
void WriteArtNetHeader(std::span<std::uint8_t> packet, std::uint16_t opCode);

}  // namespace korval::artnet
