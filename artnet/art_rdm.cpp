#include "artnet/art_rdm.h"

#include <algorithm>

#include "artnet/art_dmx.h"
#include "base/bytes.h"
#include "rdm/rdm_message.h"

namespace korval::artnet {

bool HasRdmPacketHeader(std::span<const std::uint8_t> packet, std::uint16_t opCode,
                        std::size_t minBytes) {
  return packet.size() >= minBytes && ArtNetOpCode(packet) == opCode &&
         ReadBe16(packet, rdmfield::kProtVer) >= kProtocolVersion;
}

std::vector<std::uint8_t> RdmPacketHeader(std::uint16_t opCode, std::uint16_t portAddress,
                                          std::size_t bytes) {
  std::vector<std::uint8_t> out(bytes, 0);
  const std::span<std::uint8_t> p(out);
  WriteArtNetHeader(p, opCode);
  WriteBe16(p, rdmfield::kProtVer, kProtocolVersion);
  p[rdmfield::kNet] = static_cast<std::uint8_t>((portAddress >> 8) & 0x7F);
  p[rdmfield::kAddress] = static_cast<std::uint8_t>(portAddress);
  return out;
}

bool TodRequest::Asks(std::uint16_t portAddress) const {
  return std::find(portAddresses.begin(), portAddresses.end(), portAddress) != portAddresses.end();
}

std::optional<TodRequest> ParseArtTodRequest(std::span<const std::uint8_t> packet) {
  if (!HasRdmPacketHeader(packet, kOpTodRequest, rdmfield::kAddresses)) return std::nullopt;
  TodRequest request;
  request.net = packet[rdmfield::kNet];
  request.command = packet[rdmfield::kCommand];
  // Controllers send the whole 32-byte array or only AddCount bytes of it; an
  // AddCount beyond the datagram takes what is there.
  const std::size_t count =
      std::min({std::size_t{packet[rdmfield::kAddress]}, kMaxTodRequestAddresses,
                packet.size() - rdmfield::kAddresses});
  for (std::size_t i = 0; i < count; ++i) {
    request.portAddresses.push_back(PortAddress(request.net, packet[rdmfield::kAddresses + i]));
  }
  return request;
}

std::optional<TodControl> ParseArtTodControl(std::span<const std::uint8_t> packet) {
  if (!HasRdmPacketHeader(packet, kOpTodControl, kArtTodControlBytes)) return std::nullopt;
  return TodControl{.net = packet[rdmfield::kNet],
                    .command = packet[rdmfield::kCommand],
                    .portAddress = PortAddress(packet[rdmfield::kNet], packet[rdmfield::kAddress])};
}

std::vector<std::uint8_t> EncodeArtTodData(const TodDataHeader& header, std::span<const Uid> uids) {
  const std::size_t count = std::min(uids.size(), kMaxUidsPerTodData);
  auto out =
      RdmPacketHeader(kOpTodData, header.portAddress, kArtTodDataHeaderBytes + count * kUidBytes);
  const std::span<std::uint8_t> p(out);
  p[rdmfield::kRdmVer] = kRdmVersionE120;
  p[rdmfield::kPort] = header.port;
  p[rdmfield::kBindIndex] = header.bindIndex;
  p[rdmfield::kCommand] = header.commandResponse;
  WriteBe16(p, rdmfield::kUidTotal, header.uidTotal);
  p[rdmfield::kBlockCount] = header.blockCount;
  p[rdmfield::kUidCount] = static_cast<std::uint8_t>(count);
  for (std::size_t i = 0; i < count; ++i) {
    WriteBe48(p, rdmfield::kTod + i * kUidBytes, uids[i] & kUidMask);
  }
  return out;
}

std::vector<std::vector<std::uint8_t>> EncodeTableOfDevices(std::uint16_t portAddress,
                                                            std::span<const Uid> uids,
                                                            std::uint8_t bindIndex) {
  constexpr std::size_t kMaxBlocks = 256;
  const std::size_t sent = std::min(uids.size(), kMaxBlocks * kMaxUidsPerTodData);
  TodDataHeader header{.portAddress = portAddress,
                       .bindIndex = bindIndex,
                       .uidTotal = static_cast<std::uint16_t>(std::min<std::size_t>(sent, 0xFFFF))};
  std::vector<std::vector<std::uint8_t>> packets;
  std::size_t first = 0;
  do {
    header.blockCount = static_cast<std::uint8_t>(packets.size());
    const std::size_t count = std::min(sent - first, kMaxUidsPerTodData);
    packets.push_back(EncodeArtTodData(header, uids.subspan(first, count)));
    first += count;
  } while (first < sent);
  return packets;
}

std::optional<ArtRdmMessage> ParseArtRdm(std::span<const std::uint8_t> packet) {
  if (!HasRdmPacketHeader(packet, kOpRdm, kArtRdmHeaderBytes)) return std::nullopt;
  if (packet[rdmfield::kRdmVer] != kRdmVersionE120) return std::nullopt;
  const auto message = ValidateRdmFrame(packet.subspan(kArtRdmHeaderBytes), StartCode::kOmitted);
  if (!message || !message->checksumOk) return std::nullopt;
  return ArtRdmMessage{
      .net = packet[rdmfield::kNet],
      .command = packet[rdmfield::kCommand],
      .portAddress = PortAddress(packet[rdmfield::kNet], packet[rdmfield::kAddress]),
      .rdm = message->message,
      .header = message->header};
}

std::vector<std::uint8_t> EncodeArtRdm(std::uint16_t portAddress,
                                       std::span<const std::uint8_t> rdm) {
  auto out = RdmPacketHeader(kOpRdm, portAddress, kArtRdmHeaderBytes);
  out[rdmfield::kRdmVer] = kRdmVersionE120;
  out[rdmfield::kCommand] = kArProcess;
  out.insert(out.end(), rdm.begin(), rdm.end());
  return out;
}

}  // namespace korval::artnet
