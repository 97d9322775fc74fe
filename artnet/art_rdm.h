// RDM over Art-Net: the four packets a controller and a node exchange to reach
// the fixtures behind the node's DMX port.
//
//   ArtTodRequest (controller): send me your table of devices for these ports;
//   ArtTodControl (controller): flush the table and discover again, and so on;
//   ArtTodData    (node): the table, up to 200 UIDs a packet;
//   ArtRdm        (both): one RDM message, request or reply.
//
// Parsers are pure functions over the datagram; the ArtRdm parser hands back
// the RDM message as a span inside it. Nothing past the datagram is read.
// Every Port-Address here is Net << 8 | the Sub-Net and Universe byte; a Net
// beyond 7 bits gives a Port-Address beyond 15 bits, which matches no port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "rdm/rdm_message.h"
#include "rdm/uid.h"

namespace korval::artnet {

inline constexpr std::uint16_t kOpTodRequest = 0x8000;
inline constexpr std::uint16_t kOpTodData = 0x8100;
inline constexpr std::uint16_t kOpTodControl = 0x8200;
inline constexpr std::uint16_t kOpRdm = 0x8300;

// ProtVer sent, and the least one taken: the only version ever in production.
inline constexpr std::uint16_t kProtocolVersion = 14;
// RdmVer: 0x01 is E1.20; 0x00 was the draft, whose messages are laid out
// differently.
inline constexpr std::uint8_t kRdmVersionE120 = 0x01;

// ArtTodRequest Command, and ArtTodData CommandResponse.
inline constexpr std::uint8_t kTodFull = 0x00;
// ArtTodData CommandResponse: the table is not available (yet).
inline constexpr std::uint8_t kTodNak = 0xFF;

// ArtTodControl Command.
inline constexpr std::uint8_t kAtcNone = 0x00;
inline constexpr std::uint8_t kAtcFlush = 0x01;  // forget the table, discover from scratch
inline constexpr std::uint8_t kAtcEnd = 0x02;    // end incremental discovery
inline constexpr std::uint8_t kAtcIncOn = 0x03;  // incremental discovery on
inline constexpr std::uint8_t kAtcIncOff = 0x04;

// ArtRdm Command: process the RDM message (the only one defined).
inline constexpr std::uint8_t kArProcess = 0x00;

inline constexpr std::size_t kMaxTodRequestAddresses = 32;
inline constexpr std::size_t kMaxUidsPerTodData = 200;

// Field offsets shared by the four packets: after the ID, the OpCode and
// ProtVer come eleven bytes of per-packet fields and spares, then Net, the
// command and the Port-Address byte.
namespace rdmfield {
inline constexpr std::size_t kProtVer = 10;  // high byte first
inline constexpr std::size_t kRdmVer = 12;   // ArtTodData, ArtRdm
inline constexpr std::size_t kPort = 13;     // ArtTodData: physical port, 1 to 4
inline constexpr std::size_t kBindIndex = 20;
inline constexpr std::size_t kNet = 21;
inline constexpr std::size_t kCommand = 22;    // Command, or ArtTodData's CommandResponse
inline constexpr std::size_t kAddress = 23;    // ArtTodRequest: AddCount
inline constexpr std::size_t kAddresses = 24;  // ArtTodRequest
inline constexpr std::size_t kUidTotal = 24;   // ArtTodData, high byte first
inline constexpr std::size_t kBlockCount = 26;
inline constexpr std::size_t kUidCount = 27;
inline constexpr std::size_t kTod = 28;        // ArtTodData: UidCount UIDs of 6 bytes
inline constexpr std::size_t kRdmPacket = 24;  // ArtRdm
}  // namespace rdmfield

inline constexpr std::size_t kArtTodControlBytes = 24;
inline constexpr std::size_t kArtTodDataHeaderBytes = rdmfield::kTod;
inline constexpr std::size_t kArtRdmHeaderBytes = rdmfield::kRdmPacket;

constexpr std::uint16_t PortAddress(std::uint8_t net, std::uint8_t address) {
  return static_cast<std::uint16_t>(net << 8 | address);
}

// The full ID, the OpCode, a ProtVer of at least 14 and at least minBytes.
bool HasRdmPacketHeader(std::span<const std::uint8_t> packet, std::uint16_t opCode,
                        std::size_t minBytes);
// bytes long: ID, OpCode, ProtVer and zeros, but for Net and the Port-Address
// byte (21 and 23), which hold the Port-Address.
std::vector<std::uint8_t> RdmPacketHeader(std::uint16_t opCode, std::uint16_t portAddress,
                                          std::size_t bytes);

struct TodRequest {
  std::uint8_t net = 0;
  std::uint8_t command = kTodFull;
  // In the order asked; AddCount of them, or fewer when the datagram ends first.
  std::vector<std::uint16_t> portAddresses;

  bool Asks(std::uint16_t portAddress) const;
};
std::optional<TodRequest> ParseArtTodRequest(std::span<const std::uint8_t> packet);

struct TodControl {
  std::uint8_t net = 0;
  std::uint8_t command = kAtcNone;
  std::uint16_t portAddress = 0;
};
std::optional<TodControl> ParseArtTodControl(std::span<const std::uint8_t> packet);

struct TodDataHeader {
  std::uint16_t portAddress = 0;
  std::uint8_t port = 1;
  std::uint8_t bindIndex = 1;
  std::uint8_t commandResponse = kTodFull;
  std::uint16_t uidTotal = 0;
  std::uint8_t blockCount = 0;
};
// One ArtTodData; UIDs past the first 200 are not sent.
std::vector<std::uint8_t> EncodeArtTodData(const TodDataHeader& header, std::span<const Uid> uids);
// The whole table as TodFull packets, 200 UIDs each, BlockCount counting from
// 0; an empty table is one packet with UidTotal 0. UidTotal says 65535 at most
// and BlockCount stops at 255, so the UIDs past 256 full packets are not sent.
std::vector<std::vector<std::uint8_t>> EncodeTableOfDevices(std::uint16_t portAddress,
                                                            std::span<const Uid> uids,
                                                            std::uint8_t bindIndex = 1);

struct ArtRdmMessage {
  std::uint8_t net = 0;
  std::uint8_t command = kArProcess;
  std::uint16_t portAddress = 0;
  // The RDM message as Art-Net carries it: from the sub-start code to the
  // checksum, without the 0xCC start code. A span inside the datagram, good
  // only while the datagram's bytes are: copy it before the buffer is reused.
  std::span<const std::uint8_t> rdm;
  // Its fields, as the frame codec read them.
  RdmHeader header;
};
// An ArtRdm of RdmVer 1 whose RDM message is whole and checks
// (ValidateRdmFrame without the start code, and a right checksum). Bytes after
// the checksum are tolerated and left out of the span: Art-Net lets packets
// grow at their end, and receivers are to take a packet longer than they
// expect. The Command is returned, not judged.
std::optional<ArtRdmMessage> ParseArtRdm(std::span<const std::uint8_t> packet);
// An ArtRdm (RdmVer 1, ArProcess) carrying rdm as given: the message without its
// start code, checksum included.
std::vector<std::uint8_t> EncodeArtRdm(std::uint16_t portAddress,
                                       std::span<const std::uint8_t> rdm);

}  // namespace korval::artnet
