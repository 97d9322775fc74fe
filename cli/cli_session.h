// The commands of korval-rdm-cli carried out through an RDM controller (the
// line, or a port of an Art-Net node): each asks the core (the follow-up of a
// request, discovery, the PID codec) and prints what came back.
#pragma once

#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_print.h"
#include "rdm/rdm_controller.h"

namespace korval::cli {

inline constexpr int kExitAck = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

class Session {
 public:
  Session(RdmController& controller, std::ostream& out, std::ostream& err, bool json);

  // The exit status of the command.
  int Run(const Invocation& invocation);

  // discover then rewrites one line on stderr in place with the branch
  // requests sent and the devices found so far, and clears it at the end: for
  // a terminal, where a discovery in classic timing takes half a minute.
  void ShowDiscoveryProgress(bool show) { progress_ = show; }

  // What discover does without --full or --incremental: the line searches
  // anew (kFull, the default); a node gives the table it has (kIncremental).
  void SetDefaultDiscovery(DiscoveryMode mode) { defaultDiscovery_ = mode; }

  // One request carried to its final reply (params/follow_up.h).
  RdmReply Ask(const RdmRequest& request);

 private:
  int Discover(const Invocation& inv);
  int Info(Uid uid);
  int Get(const Invocation& inv);
  int Set(Uid uid, std::uint16_t pid, std::vector<std::uint8_t> data, std::uint16_t subDevice = 0);
  int Address(const Invocation& inv);
  // 0 for an ACK; else the reason on stderr and 1.
  int Judge(const RdmReply& reply, Uid uid, std::uint16_t pid);
  // The JSON document of one request: {uid, pid} and the outcome of its reply.
  nlohmann::ordered_json RequestJson(const RdmReply& reply, Uid uid, std::uint16_t pid) const;

  RdmController& controller_;
  std::ostream& out_;
  std::ostream& err_;
  bool json_;
  bool progress_ = false;
  DiscoveryMode defaultDiscovery_ = DiscoveryMode::kFull;
};

}  // namespace korval::cli
