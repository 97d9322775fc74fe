// The command line of korval-rdm-cli: options and one command with its
// operands, checked whole before anything goes on the line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frontend/line_options.h"
#include "rdm/uid.h"

namespace korval::cli {

enum class Command {
  kHelp,
  kVersion,
  kDiscover,
  kInfo,
  kGet,
  kSet,
  kIdentify,
  kAddress,
  kPids,
  kNodes
};

struct Invocation {
  LineOptions line;
  bool json = false;
  bool verbose = false;
  Command command = Command::kHelp;
  Uid uid = 0;            // info, get, set, identify
  std::uint16_t pid = 0;  // get, set
  // get: the GET's arguments; set: the value(s), as typed.
  std::vector<std::string> values;
  std::vector<std::uint8_t> data;  // get, set: the values as parameter data
  bool identifyOn = false;
  std::uint16_t start = 0;  // address
  std::uint16_t step = 1;
  std::vector<Uid> uids;  // address, discover --incremental: in the order given
  // discover: keep the devices known (uids) that still answer, search for new ones.
  bool incremental = false;
  // discover: forget what is known and find every device (an Art-Net node
  // discovers anew before it gives its table).
  bool full = false;
  // get, set: the sub-device addressed (0: the root; 0xFFFF: all, SET only).
  std::uint16_t subDevice = 0;
};

struct ParseResult {
  std::optional<Invocation> invocation;
  std::string error;  // one line for stderr when there is no invocation
  // --json was among the options, whether or not the rest made sense.
  bool json = false;
};

// arguments without the program name. Options may stand before or after the
// command; "--" ends them, so that a value may start with "-".
ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// "4b52:2c1f0a37", or 6 to 12 hex digits without separator as the window and
// "devnames.lst" write UIDs ("4B522C1F0A37"), in any case.
std::optional<Uid> ParseUid(const std::string& text);
// The usage error for a UID that is neither, naming the forms taken.
std::string MalformedUid(const std::string& text);
// A PID by number ("0x0082", "130").
std::optional<std::uint16_t> ParsePid(const std::string& text);
// A decimal or 0x-prefixed hexadecimal number no larger than max.
std::optional<std::uint32_t> ParseNumber(const std::string& text, std::uint32_t max);

// The UID as the tool prints it: "mmmm:dddddddd" in lower-case hexadecimal.
std::string UidOut(Uid uid);

std::string UsageText();

}  // namespace korval::cli
