#include "artnet/controller_packets.h"

#include <algorithm>
#include <array>

#include "artnet/art_dmx.h"
#include "artnet/art_poll.h"
#include "base/bytes.h"
#include "base/conversion.h"
#include "base/win1252.h"

namespace korval::artnet {

namespace {

// ArtPoll fields after ProtVer.
constexpr std::size_t kPollEstaMan = 18;
constexpr std::size_t kPollOem = 20;

// An ArtPollReply field: a reply shorter than today's reads 0 past its end.
std::uint8_t ReplyByte(std::span<const std::uint8_t> p, std::size_t at) {
  return at < p.size() ? p[at] : 0;
}

// A zero-terminated name field (or one that fills its field).
std::string NameField(std::span<const std::uint8_t> p, std::size_t at, std::size_t size) {
  if (at >= p.size()) return {};
  const auto field = p.subspan(at, std::min(size, p.size() - at));
  const auto text = field.first(
      static_cast<std::size_t>(std::find(field.begin(), field.end(), 0) - field.begin()));
  if (IsValidUtf8(text)) return {text.begin(), text.end()};
  return Win1252ToUtf8(text);
}

}  // namespace

std::string PortAddressText(std::uint16_t portAddress) {
  return std::to_string((portAddress >> 8) & 0x7F) + ":" +
         std::to_string((portAddress >> 4) & 0x0F) + ":" + std::to_string(portAddress & 0x0F);
}

std::optional<std::uint16_t> ParsePortAddress(std::string_view text) {
  const auto first = text.find(':');
  if (first == std::string_view::npos) {
    const auto whole = ParseInteger(text, 0, 0x7FFF);
    if (!whole) return std::nullopt;
    return static_cast<std::uint16_t>(*whole);
  }
  const auto second = text.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto net = ParseInteger(text.substr(0, first), 0, 0x7F);
  const auto subNet = ParseInteger(text.substr(first + 1, second - first - 1), 0, 0x0F);
  const auto universe = ParseInteger(text.substr(second + 1), 0, 0x0F);
  if (!net || !subNet || !universe) return std::nullopt;
  return static_cast<std::uint16_t>(*net << 8 | *subNet << 4 | *universe);
}

std::vector<std::uint8_t> EncodeArtPoll() {
  // Every field after ProtVer but the two codes stays zero: Flags,
  // DiagPriority, the targets.
  std::vector<std::uint8_t> out(kArtPollBytes, 0);
  WriteArtNetHeader(out, kOpPoll);
  WriteBe16(out, rdmfield::kProtVer, kProtocolVersion);
  WriteBe16(out, kPollEstaMan, kEstaPrototype);
  WriteBe16(out, kPollOem, kOemUnknown);
  return out;
}

std::optional<PollReply> ParseArtPollReply(std::span<const std::uint8_t> packet) {
  if (packet.size() < kArtPollReplyMinBytes || ArtNetOpCode(packet) != kOpPollReply) {
    return std::nullopt;
  }
  const auto at = [packet](std::size_t offset) { return ReplyByte(packet, offset); };
  PollReply r;
  r.ipAddress = ReadBe32(packet, reply::kIpAddress);
  r.bindIndex = at(reply::kBindIndex);
  r.shortName = NameField(packet, reply::kShortName, reply::kShortNameBytes);
  r.longName = NameField(packet, reply::kLongName, reply::kLongNameBytes);
  r.rdmCapable = (at(reply::kStatus1) & kStatus1RdmCapable) != 0;
  const std::uint16_t netAndSubNet = static_cast<std::uint16_t>(
      (at(reply::kNetSwitch) & 0x7F) << 8 | (at(reply::kSubSwitch) & 0x0F) << 4);
  std::vector<PollReplyPort> ports;
  for (std::size_t i = 0; i < kPortsPerPollReply; ++i) {
    if ((at(reply::kPortTypes + i) & kPortTypeDmxOutput) == 0) continue;
    ports.push_back(PollReplyPort{
        .bindIndex = std::max<std::uint8_t>(r.bindIndex, 1),
        .port = static_cast<std::uint8_t>(i + 1),
        .portAddress = static_cast<std::uint16_t>(netAndSubNet | (at(reply::kSwOut + i) & 0x0F)),
        .rdm = r.rdmCapable && (at(reply::kGoodOutputB + i) & kGoodOutputBRdmDisabled) == 0,
        .outputting = (at(reply::kGoodOutputA + i) & kGoodOutputTransmitting) != 0});
  }
  for (const PollReplyPort& port : ports) {
    const auto shared = std::count_if(ports.begin(), ports.end(), [&port](const PollReplyPort& p) {
      return p.portAddress == port.portAddress;
    });
    if (port.outputting || shared == 1) r.outputs.push_back(port);
  }
  return r;
}

std::vector<std::uint8_t> EncodeArtTodRequest(std::uint16_t portAddress) {
  // The whole 32-byte array goes out, as nodes that read it at a fixed size
  // expect; AddCount says one entry of it counts.
  auto out = RdmPacketHeader(kOpTodRequest, portAddress, kArtTodRequestBytes);
  out[rdmfield::kCommand] = kTodFull;
  out[rdmfield::kAddress] = 1;
  out[rdmfield::kAddresses] = static_cast<std::uint8_t>(portAddress);
  return out;
}

std::vector<std::uint8_t> EncodeArtTodControl(std::uint16_t portAddress, std::uint8_t command) {
  auto out = RdmPacketHeader(kOpTodControl, portAddress, kArtTodControlBytes);
  out[rdmfield::kCommand] = command;
  return out;
}

std::optional<TodData> ParseArtTodData(std::span<const std::uint8_t> packet) {
  if (!HasRdmPacketHeader(packet, kOpTodData, kArtTodDataHeaderBytes)) return std::nullopt;
  if (packet[rdmfield::kRdmVer] != kRdmVersionE120) return std::nullopt;
  TodData tod;
  TodDataHeader& h = tod.header;
  h.portAddress = PortAddress(packet[rdmfield::kNet], packet[rdmfield::kAddress]);
  h.port = packet[rdmfield::kPort];
  h.bindIndex = packet[rdmfield::kBindIndex];
  h.commandResponse = packet[rdmfield::kCommand];
  h.uidTotal = ReadBe16(packet, rdmfield::kUidTotal);
  h.blockCount = packet[rdmfield::kBlockCount];
  const std::size_t count = packet[rdmfield::kUidCount];
  if (h.commandResponse != kTodFull && h.commandResponse != kTodNak) return std::nullopt;
  if (count > kMaxUidsPerTodData || count > h.uidTotal) return std::nullopt;
  if ((packet.size() - kArtTodDataHeaderBytes) / kUidBytes < count) return std::nullopt;
  tod.uids.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    tod.uids.push_back(ReadBe48(packet, rdmfield::kTod + i * kUidBytes));
  }
  return tod;
}

}  // namespace korval::artnet
