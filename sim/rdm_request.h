// An RDM request as a responder sees it on the wire: the frame codec's header
// (rdm/rdm_message.h) and the data, kept by value. Only a frame whose layout
// holds is a request: start code 0xCC, sub-start 0x01, message length =
// 24 + PDL; a responder takes it only when its checksum is right too. Pure
// functions over the bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "rdm/rdm_message.h"

namespace korval::sim {

struct RdmRequest : RdmHeader {
  std::uint8_t pdl = 0;
  std::array<std::uint8_t, rdm::kMaxPdl> data{};

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
