// The program's options. With none, interface 0 is the first FTDI device.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frontend/line_options.h"

namespace korval {

struct CommandLine {
  LineOptions line;
  std::optional<std::string> logFile;
  bool help = false;
  bool version = false;
};

struct CommandLineResult {
  std::optional<CommandLine> options;
  std::string error;  // set when options is empty: a line for stderr
};

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments);
std::string UsageText(const std::string& program);

}  // namespace korval
