// Golden replies of every parameter in the table, shared by the two halves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "params/pid_codec.h"

namespace korval::params::golden {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

struct Golden {
  std::uint16_t pid;
  Command command;
  Bytes data;
  Lines lines;  // FormatLines of the decoded reply
};

inline constexpr Command kGet = Command::kGet;
inline constexpr Command kSet = Command::kSet;

inline Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

inline Bytes Join(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// Parameters up to RECORD_SENSORS, and from DIMMER_INFO on.
const std::vector<Golden>& FirstGoldens();
const std::vector<Golden>& SecondGoldens();

}  // namespace korval::params::golden
