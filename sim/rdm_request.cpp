#include "sim/rdm_request.h"

#include <algorithm>

namespace korval::sim {

std::optional<RdmRequest> ParseRdmRequest(std::span<const std::uint8_t> frame) {
  auto parsed = ParseRdmFrame(frame);
  if (!parsed || !parsed->checksumOk) return std::nullopt;
  return parsed->request;
}

std::optional<RdmFrame> ParseRdmFrame(std::span<const std::uint8_t> frame) {
  const auto view = ValidateRdmFrame(frame);
  if (!view) return std::nullopt;
  RdmFrame parsed;
  parsed.checksumOk = view->checksumOk;
  static_cast<RdmHeader&>(parsed.request) = view->header;
  parsed.request.pdl = static_cast<std::uint8_t>(view->data.size());
  std::copy(view->data.begin(), view->data.end(), parsed.request.data.begin());
  return parsed;
}

std::vector<std::uint8_t> EncodeRdmRequest(const RdmRequest& request) {
  return EncodeRdmFrame(request, request.Data());
}

}  // namespace korval::sim
