#include "artnet/art_poll.h"

#include <algorithm>
#include <cstdio>

#include "artnet/art_dmx.h"
#include "base/bytes.h"

namespace korval::artnet {

namespace {

// Copies text into a fixed, zero-terminated field, cutting it to fit.
void PutText(std::span<std::uint8_t> field, const std::string& text) {
  const std::size_t n = std::min(text.size(), field.size() - 1);
  std::copy_n(text.begin(), n, field.begin());
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
  WriteArtNetHeader(p, kOpPollReply);
  WriteBe32(p, reply::kIpAddress, node.ipAddress);
  // The port is the one field of the packet sent low byte first.
  WriteLe16(p, reply::kPort, node.port);
  WriteBe16(p, reply::kVersInfo, node.firmwareVersion);
  p[reply::kNetSwitch] = static_cast<std::uint8_t>((node.portAddress >> 8) & 0x7F);
  p[reply::kSubSwitch] = static_cast<std::uint8_t>((node.portAddress >> 4) & 0x0F);
  WriteBe16(p, reply::kOem, kOemUnknown);
  p[reply::kStatus1] = kStatus1Normal | kStatus1RdmCapable;
  WriteLe16(p, reply::kEstaMan, kEstaPrototype);
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
  WriteBe32(p, reply::kBindIp, node.ipAddress);
  p[reply::kBindIndex] = 1;
  p[reply::kStatus2] = kStatus2PortAddress15;
  p[reply::kGoodOutputB] = kGoodOutputBContinuous | kGoodOutputBNoBackgroundDiscovery |
                           (node.discovering ? 0 : kGoodOutputBDiscoveryIdle);
  return out;
}

}  // namespace korval::artnet
