// The parameter table as the command line uses it: PIDs by name or number,
// typed values checked against the command class and the table's layouts,
// and replies decoded both as text lines and as JSON.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korval::cli {

// A PID by name or number; nothing when it is neither.
std::optional<std::uint16_t> LookUpPid(const std::string& text);
// The table's name of a PID, or "0xNNNN" for one outside it.
std::string PidName(std::uint16_t pid);
// The names nearest to one that is not in the table, nearest first, at most
// three: those it begins, those it is part of, then those a few typing
// mistakes away.
std::vector<std::string> NearestPidNames(const std::string& text);

// The parameter data of a GET or SET of the pid from the typed values; *error
// is one line for stderr when the parameter takes no such command or the
// values do not fit its layout (a missing value is named, with its choices
// when it is a code).
std::optional<std::vector<std::uint8_t>> EncodeValues(std::uint16_t pid, bool set,
                                                      const std::vector<std::string>& values,
                                                      std::string* error);

struct DecodedData {
  std::vector<std::string> lines;  // "name: value"
  nlohmann::ordered_json json;     // one object, fields in layout order
  bool truncated = false;          // the reply ended inside a field
};
DecodedData DecodeReplyData(std::uint16_t pid, bool set, std::span<const std::uint8_t> data);

struct KnownPid {
  std::uint16_t pid;
  std::string name;
};
std::vector<KnownPid> KnownPids();

}  // namespace korval::cli
