#include "artnet/art_dmx.h"

namespace korval::artnet {

namespace {
constexpr std::array<std::uint8_t, 8> kArtNetId = {'A', 'r', 't', '-', 'N', 'e', 't', 0};
}  // namespace

std::array<std::uint8_t, kRecordHeaderBytes> EncodeRecordHeader(const RecordHeader& header) {
  const std::uint32_t a = header.senderAddress;
  return {static_cast<std::uint8_t>(a >> 24),
          static_cast<std::uint8_t>(a >> 16),
          static_cast<std::uint8_t>(a >> 8),
          static_cast<std::uint8_t>(a),
          static_cast<std::uint8_t>(header.senderPort >> 8),
          static_cast<std::uint8_t>(header.senderPort),
          static_cast<std::uint8_t>(header.length >> 8),
          static_cast<std::uint8_t>(header.length)};
}

std::optional<RecordHeader> DecodeRecordHeader(std::span<const std::uint8_t> record) {
  if (record.size() < kRecordHeaderBytes) return std::nullopt;
  RecordHeader header;
  header.senderAddress = (std::uint32_t{record[0]} << 24) | (std::uint32_t{record[1]} << 16) |
                         (std::uint32_t{record[2]} << 8) | record[3];
  header.senderPort = static_cast<std::uint16_t>((record[4] << 8) | record[5]);
  header.length = static_cast<std::uint16_t>((record[6] << 8) | record[7]);
  return header;
}

std::optional<std::span<const std::uint8_t, kDmxSlots>> Universe0Slots(
    std::span<const std::uint8_t> packet) {
  if (packet.size() < kArtDmxFullBytes) return std::nullopt;
  const auto p = packet.first<kArtDmxFullBytes>();
  if (p[0] != 'A' || p[1] != 'r' || p[5] != 'e' || p[6] != 't') return std::nullopt;
  if (p[8] != 0x00 || p[9] != 0x50) return std::nullopt;    // OpCode, low byte first
  if (p[14] != 0 || p[15] != 0) return std::nullopt;        // SubUni, Net
  if (p[16] != 0x02 || p[17] != 0x00) return std::nullopt;  // Length, high byte first
  return p.subspan<kArtDmxHeaderBytes, kDmxSlots>();
}

bool ArtDmxReceived(std::span<const std::uint8_t> record, DmxSlots& artNetInput) {
  if (record.size() < kRecordHeaderBytes) return false;
  const auto slots = Universe0Slots(record.subspan(kRecordHeaderBytes));
  if (!slots) return false;
  StoreSlots(artNetInput, *slots);
  return true;
}

std::optional<std::uint16_t> ArtNetOpCode(std::span<const std::uint8_t> packet) {
  if (packet.size() < 10) return std::nullopt;
  for (std::size_t i = 0; i < kArtNetId.size(); ++i) {
    if (packet[i] != kArtNetId[i]) return std::nullopt;
  }
  return static_cast<std::uint16_t>(packet[8] | (packet[9] << 8));
}

}  // namespace korval::artnet
