#include "rdm/line_controller.h"

#include <utility>

namespace korval {

LineController::LineController(RdmTransport& transport, std::string description)
    : transport_(transport), description_(std::move(description)), discovery_(transport) {}

RdmReply LineController::Send(const RdmRequest& request, bool awaitReply) {
  return transport_.Transact(request, awaitReply);
}

void LineController::Discover(DiscoveryMode mode, DeviceTable& table, const DiscoveryHooks& hooks) {
  if (mode == DiscoveryMode::kFull) table.count = 0;
  discovery_.Run(table, hooks);
}

ForwardedReply LineController::Forward(std::span<const std::uint8_t> frame, bool awaitReply,
                                       const LogSink& log) {
  return transport_.Forward(frame, awaitReply, log);
}

}  // namespace korval
