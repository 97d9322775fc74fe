#include "app/command_line.h"

namespace korval {

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine options;
  auto fail = [](std::string error) { return CommandLineResult{std::nullopt, std::move(error)}; };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    auto value = [&](const std::string& name) -> std::optional<std::string> {
      const std::string prefix = name + "=";
      if (arg.rfind(prefix, 0) == 0) return arg.substr(prefix.size());
      // The next option is no file name: "--log-file --demo" would otherwise
      // write the log to a file named "--demo" and run without the demo rig.
      if (arg == name && i + 1 < arguments.size() && !arguments[i + 1].starts_with("--")) {
        return arguments[++i];
      }
      return std::nullopt;
    };
    if (arg == "--demo") {
      options.demo = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--virtual-rig" || arg.rfind("--virtual-rig=", 0) == 0) {
      auto file = value("--virtual-rig");
      if (!file || file->empty()) return fail("--virtual-rig needs a rig file");
      options.rigFile = *file;
    } else if (arg == "--log-file" || arg.rfind("--log-file=", 0) == 0) {
      auto file = value("--log-file");
      if (!file || file->empty()) return fail("--log-file needs a file name");
      options.logFile = *file;
    } else {
      return fail("unknown option: " + arg);
    }
  }
  if (options.demo && options.rigFile) return fail("--demo and --virtual-rig exclude each other");
  return {options, {}};
}

std::string UsageText(const std::string& program) {
  return "Usage: " + program +
         " [options]\n"
         "Sets up RDM fixtures through a USB-DMX512 interface (FTDI) and bridges\n"
         "Art-Net universe 0 to the DMX line.\n\n"
         "Options:\n"
         "  --demo               use the built-in virtual rig instead of the interface\n"
         "  --virtual-rig FILE   use the virtual rig described in FILE (JSON)\n"
         "  --log-file FILE      also append every line of the message log to FILE\n"
         "  --help               show this text\n"
         "  --version            show the version\n";
}

}  // namespace korval
