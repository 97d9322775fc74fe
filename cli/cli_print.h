// The two forms of everything the tool prints: text lines for people and
// shell loops, one JSON document for scripts.
#pragma once

#include <string>
#include <vector>

#include "cli/pid_codec.h"
#include "rdm/uid.h"

namespace korval::cli {

// The lines, each ended by a newline.
std::string LinesText(const std::vector<std::string>& lines);

// discover: one UID a line, or a JSON array of them.
std::string UidListText(const std::vector<Uid>& uids, bool json);

struct AddressSent {
  Uid uid;
  std::uint16_t address;
};
// address: "uid address" lines, or a JSON array of {uid, address}.
std::string AddressText(const std::vector<AddressSent>& sent, bool json);

// pids: "0x0082 device_label" lines, or a JSON array of {pid, name}.
std::string PidsText(const std::vector<KnownPid>& pids, bool json);

// --version: "korval-rdm-cli (KORVAL RDM Setup) V1.0.2", or {program, product, version}.
std::string VersionText(bool json);

// A JSON document as printed: indented, one trailing newline.
std::string JsonText(const nlohmann::ordered_json& document);

}  // namespace korval::cli
