#include "app/command_line.h"

namespace korval {

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine options;
  auto fail = [](std::string error) { return CommandLineResult{std::nullopt, std::move(error)}; };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    std::string error;
    if (ParseLineOption(arguments, &i, options.line, &error)) {
      if (!error.empty()) return fail(error);
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (IsOption(arg, "--log-file")) {
      auto file = OptionValue(arguments, &i, "--log-file");
      if (!file || file->empty()) return fail("--log-file needs a file name");
      options.logFile = *file;
    } else {
      return fail("unknown option: " + arg);
    }
  }
  if (std::string error = CheckLineOptions(options.line); !error.empty()) return fail(error);
  // The window's node listens where its Network Interface dialog says; a
  // controller on the same socket hears what the node hears.
  if (options.line.interfaceAddress) {
    return fail(
        "--interface belongs to korval-rdm-cli: the window's node takes its interface "
        "from the Network Interface dialog");
  }
  return {options, {}};
}

std::string UsageText(const std::string& program) {
  return "Usage: " + program +
         " [options]\n"
         "Sets up RDM fixtures through a USB-DMX512 interface (FTDI) and bridges\n"
         "Art-Net universe 0 to the DMX line. With --artnet-node, the fixtures are\n"
         "those behind a port of that Art-Net node instead, and no line is driven.\n\n"
         "Options:\n" +
         LineOptionsUsage() +
         "  --log-file FILE      also append every line of the message log to FILE\n"
         "  --help               show this text\n"
         "  --version            show the version\n"
         "\nThe DMX output runs at real-time priority where allowed: as root, or with\n"
         "\"@audio - rtprio 20\" in /etc/security/limits.d/ and your user in group audio.\n";
}

}  // namespace korval
