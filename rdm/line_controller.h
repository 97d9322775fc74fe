// The line as an RDM controller: the transport and the discovery over an FTDI
// or a virtual DMX512 line. Requests, frames, log lines and timing are the
// transport's and the discovery's own; this only puts them behind the seam
// every front end talks to.
#pragma once

#include <string>

#include "rdm/discovery.h"
#include "rdm/rdm_controller.h"
#include "rdm/transport.h"

namespace korval {

class LineController final : public RdmController {
 public:
  // description: what the line is, for the log and --help ("FTDI line").
  LineController(RdmTransport& transport, std::string description);

  std::string Describe() const override { return description_; }
  Clock& GetClock() override { return transport_.GetClock(); }
  RdmReply Send(const RdmRequest& request, bool awaitReply = true) override;
  // The window's discovery procedure: broadcast un-mutes, the known devices
  // muted again in table order (an entry that does not acknowledge is tried
  // again in the passes left), then the search for the others. kFull starts
  // from an empty table. The search state carries over from one to the next.
  void Discover(DiscoveryMode mode, DeviceTable& table, const DiscoveryHooks& hooks) override;
  ForwardedReply Forward(std::span<const std::uint8_t> frame, bool awaitReply,
                         const LogSink& log) override;

  // The procedure itself, for its counts and bounds.
  const Discovery& LastDiscovery() const { return discovery_; }

 private:
  RdmTransport& transport_;
  std::string description_;
  Discovery discovery_;
};

}  // namespace korval
