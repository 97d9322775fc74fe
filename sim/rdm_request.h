// An RDM request as a responder sees it on the wire, and the parser that
// accepts only well-formed ones: start code 0xCC, sub-start 0x01, message
// length = 24 + PDL, and a correct checksum. A pure function over the bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "rdm/uid.h"

namespace korval::sim {

struct RdmRequest {
  Uid destination = 0;
  Uid source = 0;
  std::uint8_t transaction = 0;
  std::uint8_t port = 0;
  std::uint8_t messageCount = 0;
  std::uint16_t subDevice = 0;
  std::uint8_t commandClass = 0;
  std::uint16_t pid = 0;
  std::uint8_t pdl = 0;
  std::array<std::uint8_t, 255> data{};

  std::span<const std::uint8_t> Data() const { return std::span(data).first(pdl); }
};

// A request frame whose layout is right, and whether its checksum is.
struct RdmFrame {
  RdmRequest request;
  bool checksumOk = false;
};
std::optional<RdmFrame> ParseRdmFrame(std::span<const std::uint8_t> frame);

// The bytes of one frame after a break (checksum included; bytes after the
// checksum are ignored). nullopt when they are not a valid RDM request.
std::optional<RdmRequest> ParseRdmRequest(std::span<const std::uint8_t> frame);

// The wire bytes of a request, checksum included (tests, benchmarks).
std::vector<std::uint8_t> EncodeRdmRequest(const RdmRequest& request);

}  // namespace korval::sim
