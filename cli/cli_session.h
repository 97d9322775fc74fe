// The commands of korval-rdm-cli carried out on an opened line: each asks the
// core (transaction, discovery, the PID codec) and prints what came back.
#pragma once

#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_print.h"
#include "rdm/transport.h"

namespace korval::cli {

inline constexpr int kExitAck = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

class Session {
 public:
  // How often a reply still pending after ACK_TIMER is asked for again.
  static constexpr int kMaxQueuedMessagePolls = 10;

  Session(RdmTransport& transport, std::ostream& out, std::ostream& err, bool json);

  // The exit status of the command.
  int Run(const Invocation& invocation);

  // discover then rewrites one line on stderr in place with the branch
  // requests sent and the devices found so far, and clears it at the end: for
  // a terminal, where a discovery in classic timing takes half a minute.
  void ShowDiscoveryProgress(bool show) { progress_ = show; }

  // One request carried to its final reply: an ACK_TIMER is followed, after
  // the delay it names, by GET QUEUED_MESSAGE until the reply to the request
  // itself comes (or the polls run out).
  RdmReply Ask(const RdmRequest& request);

 private:
  int Discover(const Invocation& inv);
  int Info(Uid uid);
  int Get(const Invocation& inv);
  int Set(Uid uid, std::uint16_t pid, std::vector<std::uint8_t> data);
  int Address(const Invocation& inv);
  // 0 for an ACK; else the reason on stderr and 1.
  int Judge(const RdmReply& reply, Uid uid, std::uint16_t pid);
  // The JSON document of one request: {uid, pid} and the outcome of its reply.
  nlohmann::ordered_json RequestJson(const RdmReply& reply, Uid uid, std::uint16_t pid) const;

  RdmTransport& transport_;
  std::ostream& out_;
  std::ostream& err_;
  bool json_;
  bool progress_ = false;
};

}  // namespace korval::cli
