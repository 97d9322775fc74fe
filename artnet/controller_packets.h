// The Art-Net packets of a controller: what it sends to find nodes and reach
// the fixtures behind them (ArtPoll, ArtTodRequest, ArtTodControl; ArtRdm is in
// art_rdm.h), and what the nodes send back (ArtPollReply, ArtTodData).
//
// Parsers are pure functions over the datagram and read nothing past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "artnet/art_rdm.h"
#include "rdm/uid.h"

namespace korval::artnet {

// ID, OpCode, ProtVer, Flags, DiagPriority, the two target Port-Addresses,
// EstaMan and Oem.
inline constexpr std::size_t kArtPollBytes = 22;
// Replies have grown over the versions; fields past a shorter one read as 0.
inline constexpr std::size_t kArtPollReplyMinBytes = 198;
inline constexpr std::size_t kArtTodRequestBytes = rdmfield::kAddresses + kMaxTodRequestAddresses;
inline constexpr std::size_t kPortsPerPollReply = 4;

// "Net:Sub-Net:Universe" of a 15-bit Port-Address: "0:0:0", "1:2:3".
std::string PortAddressText(std::uint16_t portAddress);
// "0" to "32767", or "NET:SUBNET:UNIVERSE" (0..127, 0..15, 0..15).
std::optional<std::uint16_t> ParsePortAddress(std::string_view text);

// A poll of every node, no reply on change, no diagnostics, not targeted.
std::vector<std::uint8_t> EncodeArtPoll();

struct PollReplyPort {
  std::uint8_t bindIndex = 1;  // the page of the node's reply the port is on
  std::uint8_t port = 1;       // 1 to 4 on that page
  std::uint16_t portAddress = 0;
  // The node takes RDM (Status1) and has not disabled it on this port
  // (GoodOutputB bit 7).
  bool rdm = false;
  // GoodOutputA bit 7: DMX512 data goes out on the port now.
  bool outputting = false;
};

struct PollReply {
  std::uint32_t ipAddress = 0;  // as the node gives it; 0 when it gives none
  std::uint8_t bindIndex = 0;   // 0 or 1: the root of a node that answers in pages
  std::string shortName;        // UTF-8 (bytes that are not are read as Windows-1252)
  std::string longName;
  bool rdmCapable = false;  // Status1 bit 1
  // The DMX512 output ports the reply lists (PortTypes bit 7). Some nodes fill
  // the fields of unused ports with Port-Address 0 and say nothing else about
  // them, so a port that outputs nothing at the moment and shares its
  // Port-Address with another port of the reply is taken for such a filler
  // and left out. Ports that output data, and idle ports at an address of
  // their own, are listed.
  std::vector<PollReplyPort> outputs;
};

// An ArtPollReply of at least kArtPollReplyMinBytes; nothing for anything else.
std::optional<PollReply> ParseArtPollReply(std::span<const std::uint8_t> packet);

// Asks the node for its table of devices of one Port-Address (TodFull).
std::vector<std::uint8_t> EncodeArtTodRequest(std::uint16_t portAddress);
// kArtTodControlBytes long: command (kAtcFlush, ...) for one Port-Address.
std::vector<std::uint8_t> EncodeArtTodControl(std::uint16_t portAddress, std::uint8_t command);

struct TodData {
  TodDataHeader header;
  std::vector<Uid> uids;  // UidCount of them, in the packet's order
};
// An ArtTodData whose fields add up: RdmVer 1, CommandResponse TodFull or
// TodNak, at most 200 UIDs, all of them inside the datagram, and no more UIDs
// in the packet than UidTotal says the whole table has. Bytes after the UIDs
// are tolerated (packets may grow at their end).
std::optional<TodData> ParseArtTodData(std::span<const std::uint8_t> packet);

}  // namespace korval::artnet
