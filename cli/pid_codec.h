// What the command-line tool needs to know of a PID: its name, how typed
// values become parameter data, and how reply data becomes named fields. Until
// a PID is known by name, values are raw bytes and replies hex bytes.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korval::cli {

// Fields in the order they were added: the text printer keeps it.
using Fields = nlohmann::ordered_json;

// A PID by name or number; nothing when it is neither.
std::optional<std::uint16_t> LookUpPid(const std::string& text);
// Lower-case name of a PID, or "0xNNNN" for one the tool does not name.
std::string PidName(std::uint16_t pid);

// The parameter data of a GET (getArgument) or SET of the pid from the typed
// values; *error is one line for stderr when they do not fit.
std::optional<std::vector<std::uint8_t>> EncodeValues(std::uint16_t pid, bool set,
                                                      const std::vector<std::string>& values,
                                                      std::string* error);

// The reply's parameter data as fields.
Fields DecodeReplyData(std::uint16_t pid, std::span<const std::uint8_t> data);

struct KnownPid {
  std::uint16_t pid;
  std::string name;
};
std::vector<KnownPid> KnownPids();

// "0a 1f ff": the bytes as two-digit lower-case hexadecimal.
std::string HexBytes(std::span<const std::uint8_t> data);

}  // namespace korval::cli
