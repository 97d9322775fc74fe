// Discovery by controllers: ArtPoll in, an Art-Net 4 ArtPollReply out. The reply
// names the node and advertises one DMX512 output port that takes RDM, so that
// controllers which send only to nodes that answered their poll send this one
// its universe and ask it for its table of devices.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "artnet/art_dmx.h"

namespace korval::artnet {

inline constexpr std::size_t kArtPollReplyBytes = 239;

// Field offsets of the ArtPollReply.
namespace reply {
inline constexpr std::size_t kIpAddress = 10;
inline constexpr std::size_t kPort = 14;
inline constexpr std::size_t kVersInfo = 16;
inline constexpr std::size_t kNetSwitch = 18;
inline constexpr std::size_t kSubSwitch = 19;
inline constexpr std::size_t kOem = 20;
inline constexpr std::size_t kUbeaVersion = 22;
inline constexpr std::size_t kStatus1 = 23;
inline constexpr std::size_t kEstaMan = 24;
inline constexpr std::size_t kShortName = 26;
inline constexpr std::size_t kShortNameBytes = 18;
inline constexpr std::size_t kLongName = 44;
inline constexpr std::size_t kLongNameBytes = 64;
inline constexpr std::size_t kNodeReport = 108;
inline constexpr std::size_t kNodeReportBytes = 64;
inline constexpr std::size_t kNumPorts = 172;
inline constexpr std::size_t kPortTypes = 174;
inline constexpr std::size_t kGoodInput = 178;
inline constexpr std::size_t kGoodOutputA = 182;
inline constexpr std::size_t kSwIn = 186;
inline constexpr std::size_t kSwOut = 190;
inline constexpr std::size_t kStyle = 200;
inline constexpr std::size_t kMac = 201;
inline constexpr std::size_t kBindIp = 207;
inline constexpr std::size_t kBindIndex = 211;
inline constexpr std::size_t kStatus2 = 212;
inline constexpr std::size_t kGoodOutputB = 213;
inline constexpr std::size_t kStatus3 = 217;
}  // namespace reply

// Offset of the ArtPoll's Flags byte; bit 1 asks for a reply whenever the
// node's conditions change ("TalkToMe").
inline constexpr std::size_t kPollFlags = 12;
inline constexpr std::uint8_t kPollFlagReplyOnChange = 0x02;

inline constexpr std::uint8_t kPortTypeDmxOutput = 0x80;  // output from Art-Net, DMX512
// GoodOutputA bit 7: ArtDmx data is being output on the DMX port now.
inline constexpr std::uint8_t kGoodOutputTransmitting = 0x80;
// GoodOutputB: bit 7 RDM disabled (left clear: the port takes RDM), bit 6
// output style continuous (a frame every 40 ms, not only on change), bit 5 no
// discovery running now, bit 4 background discovery disabled (the node
// discovers only when a controller or the operator asks).
inline constexpr std::uint8_t kGoodOutputBRdmDisabled = 0x80;
inline constexpr std::uint8_t kGoodOutputBContinuous = 0x40;
inline constexpr std::uint8_t kGoodOutputBDiscoveryIdle = 0x20;
inline constexpr std::uint8_t kGoodOutputBNoBackgroundDiscovery = 0x10;
// Indicators normal, port addresses set locally (not by the network).
inline constexpr std::uint8_t kStatus1Normal = 0xD0;
// Status1 bit 1: RDM capable (ArtTodRequest, ArtTodControl, ArtRdm answered).
inline constexpr std::uint8_t kStatus1RdmCapable = 0x02;
// Supports 15-bit Port-Address (Art-Net 3 and 4).
inline constexpr std::uint8_t kStatus2PortAddress15 = 0x08;
inline constexpr std::uint16_t kOemUnknown = 0x00FF;
// The ESTA prototyping range: no manufacturer code of our own is registered.
inline constexpr std::uint16_t kEstaPrototype = 0x7FF0;
inline constexpr std::uint8_t kStyleNode = 0x00;

struct NodeDescription {
  std::uint32_t ipAddress = 0;  // host order
  std::uint16_t port = kArtNetPort;
  std::uint16_t firmwareVersion = 0x0102;
  std::uint16_t portAddress = 0;  // 15 bits: Net, Sub-Net, Universe of the output port
  std::string shortName;
  std::string longName;
  std::uint32_t replyCount = 0;  // the NodeReport counter
  bool transmitting = false;     // ArtDmx data is going out on the line at this moment
  bool discovering = false;      // an RDM discovery runs on the line at this moment
  std::array<std::uint8_t, 6> mac{};
};

// True for an ArtPoll (full ID, OpCode 0x2000, protocol version present).
bool IsArtPoll(std::span<const std::uint8_t> packet);
// The Flags byte of an ArtPoll; 0 for an Art-Net 1 poll that ends before it.
std::uint8_t ArtPollFlags(std::span<const std::uint8_t> packet);

std::array<std::uint8_t, kArtPollReplyBytes> BuildArtPollReply(const NodeDescription& node);

}  // namespace korval::artnet
