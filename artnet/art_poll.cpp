#include "artnet/art_poll.h"

#include <algorithm>
#include <cstdio>

#include "artnet/art_dmx.h"

namespace korval::artnet {

namespace {

// Copies text into a fixed, zero-terminated field, cutting it to fit.
void PutText(std::span<std::uint8_t> field, const std::string& text) {
  const std::size_t n = std::min(text.size(), field.size() - 1);
  std::copy_n(text.begin(), n, field.begin());
}

void PutAddress(std::span<std::uint8_t> field, std::uint32_t address) {
  field[0] = static_cast<std::uint8_t>(address >> 24);
  field[1] = static_cast<std::uint8_t>(address >> 16);
  field[2] = static_cast<std::uint8_t>(address >> 8);
  field[3] = static_cast<std::uint8_t>(address);
}

}  // namespace

bool IsArtPoll(std::span<const std::uint8_t> packet) {
  return packet.size() >= 12 && ArtNetOpCode(packet) == kOpPoll;
}

std::uint8_t ArtPollFlags(std::span<const std::uint8_t> packet) {
  return packet.size() > kPollFlags ? packet[kPollFlags] : 0;
}

std::array<std::uint8_t, kArtPollReplyBytes> BuildArtPollReply(const NodeDescription& node) {
  std::array<std::uint8_t, kArtPollReplyBytes> out{};
  const std::span<std::uint8_t> p(out);
  PutText(p.first(8), "Art-Net");
  p[8] = static_cast<std::uint8_t>(kOpPollReply & 0xFF);
  p[9] = static_cast<std::uint8_t>(kOpPollReply >> 8);
  PutAddress(p.subspan(reply::kIpAddress, 4), node.ipAddress);
  // The port is the one field of the packet sent low byte first.
  p[reply::kPort] = static_cast<std::uint8_t>(node.port & 0xFF);
  p[reply::kPort + 1] = static_cast<std::uint8_t>(node.port >> 8);
  p[reply::kVersInfo] = static_cast<std::uint8_t>(node.firmwareVersion >> 8);
  p[reply::kVersInfo + 1] = static_cast<std::uint8_t>(node.firmwareVersion);
  p[reply::kNetSwitch] = static_cast<std::uint8_t>((node.portAddress >> 8) & 0x7F);
  p[reply::kSubSwitch] = static_cast<std::uint8_t>((node.portAddress >> 4) & 0x0F);
  p[reply::kOem] = static_cast<std::uint8_t>(kOemUnknown >> 8);
  p[reply::kOem + 1] = static_cast<std::uint8_t>(kOemUnknown & 0xFF);
  p[reply::kStatus1] = kStatus1Normal;
  p[reply::kEstaMan] = static_cast<std::uint8_t>(kEstaPrototype & 0xFF);
  p[reply::kEstaMan + 1] = static_cast<std::uint8_t>(kEstaPrototype >> 8);
  PutText(p.subspan(reply::kShortName, reply::kShortNameBytes), node.shortName);
  PutText(p.subspan(reply::kLongName, reply::kLongNameBytes), node.longName);
  char report[reply::kNodeReportBytes];
  std::snprintf(report, sizeof report, "#0001 [%04u] Power On Tests successful",
                static_cast<unsigned>(node.replyCount % 10000));
  PutText(p.subspan(reply::kNodeReport, reply::kNodeReportBytes), report);
  p[reply::kNumPorts] = 0;
  p[reply::kNumPorts + 1] = 1;
  p[reply::kPortTypes] = kPortTypeDmxOutput;
  p[reply::kGoodOutputA] = node.transmitting ? kGoodOutputTransmitting : 0;
  p[reply::kSwOut] = static_cast<std::uint8_t>(node.portAddress & 0x0F);
  p[reply::kStyle] = kStyleNode;
  std::copy(node.mac.begin(), node.mac.end(), p.begin() + reply::kMac);
  PutAddress(p.subspan(reply::kBindIp, 4), node.ipAddress);
  p[reply::kBindIndex] = 1;
  p[reply::kStatus2] = kStatus2PortAddress15;
  p[reply::kGoodOutputB] = kGoodOutputBRdmDisabled | kGoodOutputBContinuous;
  return out;
}

}  // namespace korval::artnet
