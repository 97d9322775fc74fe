// One way of reaching RDM fixtures: send a request and get its reply, find the
// devices, say what it is. Every front end (the window, korval-rdm-cli, the
// Art-Net node's gateway) and every service above them (params/) talks to
// fixtures through this interface only. Implementations: the line (an FTDI or
// virtual DMX512 line: the transport and discovery of rdm/) and the Art-Net
// controller (a port of a node on the network).
//
// A controller is used from one thread at a time; it logs what it does (packet
// dumps, discovery lines) through the log sink it was made with.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "rdm/clock.h"
#include "rdm/device_table.h"
#include "rdm/log_sink.h"
#include "rdm/rdm_message.h"
#include "rdm/uid.h"

namespace korval {

// What the caller of a discovery sees while it runs.
struct DiscoveryHooks {
  // The device list is emptied before the first device is listed.
  std::function<void()> clearList;
  // One list line per device listed in the table ("0 - ID:4B522C1F0A37").
  std::function<void(const std::string& line)> addListLine;
  // Polled before each request; true ends the discovery with what was found.
  std::function<bool()> stopRequested{};
  // Every device found, in the order found, also those the table has no room for.
  std::function<void(Uid uid)> found{};
  // A device that answers but could not be confirmed, left out.
  std::function<void(Uid uid)> leftOut{};
  // The discovery could not ask the fixtures (a node that sent no table of
  // devices, a line that refused to send): a list that says nothing about the
  // fixtures. The words that say why.
  std::function<void(const std::string& line)> unanswered{};
};

enum class DiscoveryMode {
  // Forget what is known and find every device.
  kFull,
  // Keep the known devices that still answer (the table's slots 1..count) and
  // find the ones that are new.
  kIncremental,
};

class RdmController {
 public:
  virtual ~RdmController() = default;

  // What it is, for the log and for --help: "FTDI line",
  // "Art-Net node 10.0.0.5, Port-Address 0:0:0".
  virtual std::string Describe() const = 0;

  // The clock every wait above this controller goes through (ACK_TIMER delays,
  // settle pauses): the line's own, so that a simulated line runs them at once.
  virtual Clock& GetClock() = 0;

  // One request out, its reply in, judged. Without awaitReply the request goes
  // out and nothing is waited for (kNoReply): what a broadcast is sent with,
  // since nobody answers one. A controller that can never hear an answer to a
  // broadcast (the Art-Net node passes none on) does not wait for one either.
  // ACK_TIMER and ACK_OVERFLOW come back as they came; the follow-up belongs
  // to the caller (params/follow_up.h).
  virtual RdmReply Send(const RdmRequest& request, bool awaitReply = true) = 0;

  // Finds the devices. On entry the table's slots 1..count are the devices
  // known; on return they are the devices found, in the order found, at most
  // the table's capacity (the rest reach hooks.found only). The list lines go
  // through the hooks as devices are listed.
  virtual void Discover(DiscoveryMode mode, DeviceTable& table, const DiscoveryHooks& hooks) = 0;

  // A request another controller made (an Art-Net node passes on what the
  // network sends it), passed on as it came: its source UID, transaction
  // number and checksum. Its packet dumps go to `log`, not to the
  // controller's own sink (it may run on another thread than the window's).
  virtual ForwardedReply Forward(std::span<const std::uint8_t> frame, bool awaitReply,
                                 const LogSink& log) = 0;
};

}  // namespace korval
