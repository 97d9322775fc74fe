// What every front end shares before it talks to a fixture: the choice of the
// line (the FTDI interface, the built-in demo rig or a rig file) and the
// command-line options that make it.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "rdm/dmx_line.h"
#include "rdm/reply_timing.h"

namespace korval {

struct LineOptions {
  bool demo = false;
  std::optional<std::string> rigFile;
  // How the transport waits for replies on whichever line is chosen.
  RdmTiming timing = RdmTiming::kClassic;
  // RDM through a port of an Art-Net node instead of a line: the node's IPv4
  // address (host order) and the port's Port-Address.
  std::optional<std::uint32_t> artNetNode;
  std::uint16_t portAddress = 0;
  bool portAddressGiven = false;
  // The local IPv4 address to bind and broadcast from; none: the routes choose.
  std::optional<std::uint32_t> interfaceAddress;
};

// The value of option `name` at arguments[*i], written "--name=VALUE" or
// "--name VALUE" (then *i moves on to it). A following option is no value:
// "--log-file --demo" would otherwise write the log to a file named "--demo"
// and run without the demo rig.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, std::size_t* i,
                                       const std::string& name);
// Whether arguments[*i] names option `name`, in either form.
bool IsOption(const std::string& argument, const std::string& name);

// Takes arguments[*i] when it is a line option. Returns false when it is not
// one; sets *error when it is one but malformed.
bool ParseLineOption(const std::vector<std::string>& arguments, std::size_t* i,
                     LineOptions& options, std::string* error);
// The options taken together: empty when they agree, else the line for stderr.
std::string CheckLineOptions(const LineOptions& options);
// The lines of a usage text that describe the line options.
std::string LineOptionsUsage();

// The line the options choose, not yet opened; the transport on it takes
// options.timing. A rig file that cannot be loaded gives nothing and its
// error. With an Art-Net node, no line (NoLine): the node's port takes its place.
std::unique_ptr<DmxLine> MakeLine(const LineOptions& options, std::string* error);

// What the line is, for the log: "FTDI line", "virtual line (demo rig)",
// "virtual line (rig.json)".
std::string LineDescription(const LineOptions& options);

// Opens interface 0 and sets it up for RDM: reset, 250000 baud 8N2, no flow
// control, both queues purged, 50 ms timeouts. The status is that of the open;
// *handle is set only when it succeeded.
LineStatus OpenRdmLine(DmxLine& line, LineHandle* handle);

}  // namespace korval
