// The two forms of everything the tool prints: text lines for people and
// shell loops, one JSON document for scripts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "artnet/node_finder.h"
#include "cli/pid_codec.h"
#include "rdm/rdm_message.h"
#include "rdm/uid.h"

namespace korval::cli {

// What became of one request, as people and scripts are told.
struct Outcome {
  // "ACK", "ACK_TIMER", "ACK_OVERFLOW", "NACK", "UNKNOWN_RESPONSE_TYPE",
  // "NO_REPLY", "BAD_CHECKSUM", "LINE_FAILURE"; "SHORT_REPLY" for an ACK whose
  // data ends inside a field; "SENT" for a broadcast, which nobody answers.
  std::string status;
  // What went wrong, as stderr says it after "uid pid: "; empty on success.
  std::string error;
  std::optional<std::uint16_t> nackReason;

  bool Succeeded() const { return error.empty(); }
};
inline constexpr const char* kShortReply = "reply shorter than its parameter";
// A reply still pending (ACK_TIMER) came after that many queued-message polls.
Outcome OutcomeOf(const RdmReply& reply, int queuedMessagePolls);
// {"status"}, then for a NACK "nack_reason" (its E1.20 name) and "nack_text",
// then for any failure "error".
nlohmann::ordered_json OutcomeJson(const Outcome& outcome);
// A failure outside any request (the line, the command line): {"status", "error"}.
std::string FailureText(const std::string& status, const std::string& error);

// The lines, each ended by a newline.
std::string LinesText(const std::vector<std::string>& lines);

// discover: one UID a line, or a JSON array of them.
std::string UidListText(const std::vector<Uid>& uids, bool json);

struct AddressSent {
  Uid uid;
  std::uint16_t address;
  Outcome outcome;
};
// address: "uid address" lines of the addresses that succeeded, or a JSON
// array of every one, {uid, address} with its outcome.
std::string AddressText(const std::vector<AddressSent>& sent, bool json);

// pids: "0x0082 device_label" lines, or a JSON array of {pid, name}.
std::string PidsText(const std::vector<KnownPid>& pids, bool json);

// The nodes that answered a poll: a line per node (address, short name, long
// name), then a line per output port (its Port-Address as NET:SUBNET:UNIVERSE
// and as a number, whether it takes RDM and whether data goes out).
std::string NodesText(const std::vector<artnet::NodeInfo>& nodes, bool json);

// --version: "korval-rdm-cli (KORVAL RDM Setup) V1.0.2", or {program, product, version}.
std::string VersionText(bool json);

// A JSON document as printed: indented, one trailing newline.
std::string JsonText(const nlohmann::ordered_json& document);

}  // namespace korval::cli
