#include "artnet/art_dmx.h"

#include <algorithm>

#include "base/bytes.h"

namespace korval::artnet {

std::array<std::uint8_t, kRecordHeaderBytes> EncodeRecordHeader(const RecordHeader& header) {
  std::array<std::uint8_t, kRecordHeaderBytes> out{};
  WriteBe32(out, 0, header.senderAddress);
  WriteBe16(out, 4, header.senderPort);
  WriteBe16(out, 6, header.length);
  return out;
}

std::optional<RecordHeader> DecodeRecordHeader(std::span<const std::uint8_t> record) {
  if (record.size() < kRecordHeaderBytes) return std::nullopt;
  RecordHeader header;
  header.senderAddress = ReadBe32(record, 0);
  header.senderPort = ReadBe16(record, 4);
  header.length = ReadBe16(record, 6);
  return header;
}

std::optional<std::span<const std::uint8_t, kDmxSlots>> Universe0Slots(
    std::span<const std::uint8_t> packet) {
  if (packet.size() < kArtDmxFullBytes) return std::nullopt;
  const auto p = packet.first<kArtDmxFullBytes>();
  if (p[0] != kArtNetId[0] || p[1] != kArtNetId[1] || p[5] != kArtNetId[5] ||
      p[6] != kArtNetId[6]) {
    return std::nullopt;
  }
  if (ReadLe16(p, kOpCodeAt) != kOpDmx) return std::nullopt;
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
  if (packet.size() < kArtNetHeaderBytes) return std::nullopt;
  if (!std::equal(kArtNetId.begin(), kArtNetId.end(), packet.begin())) return std::nullopt;
  return ReadLe16(packet, kOpCodeAt);
}

void WriteArtNetHeader(std::span<std::uint8_t> packet, std::uint16_t opCode) {
  std::copy(kArtNetId.begin(), kArtNetId.end(), packet.begin());
  WriteLe16(packet, kOpCodeAt, opCode);
}

}  // namespace korval::artnet
