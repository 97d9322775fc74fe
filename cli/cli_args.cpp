#include "cli/cli_args.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "cli/pid_codec.h"
#include "rdm/device_table.h"
#include "rdm/rdm_constants.h"

namespace korval::cli {

namespace {

constexpr std::uint32_t kMaxAddress = rdm::kMaxDmxAddress;
constexpr std::uint32_t kMaxSubDevice = rdm::kMaxSubDevice;

struct CommandName {
  const char* name;
  Command command;
};
constexpr std::array<CommandName, 8> kCommands = {{
    {"discover", Command::kDiscover},
    {"info", Command::kInfo},
    {"get", Command::kGet},
    {"set", Command::kSet},
    {"identify", Command::kIdentify},
    {"address", Command::kAddress},
    {"pids", Command::kPids},
    {"nodes", Command::kNodes},
}};

ParseResult Fail(std::string error) {
  return ParseResult{std::nullopt, std::move(error)};
}

std::string UnknownPid(const std::string& text) {
  const std::vector<std::string> near = NearestPidNames(text);
  if (near.empty()) return "unknown PID: " + text + " (korval-rdm-cli pids lists the names)";
  std::string names = near.front();
  for (std::size_t i = 1; i < near.size(); ++i) {
    names += (i + 1 == near.size() ? " or " : ", ") + near[i];
  }
  return "unknown PID: " + text + " (did you mean " + names + "?)";
}

// The operands of a command, by count: exactly `min` when max == min.
bool CountIs(const std::vector<std::string>& operands, std::size_t min, std::size_t max) {
  return operands.size() >= min && operands.size() <= max;
}

ParseResult Operands(Invocation inv, const std::string& name,
                     const std::vector<std::string>& operands) {
  constexpr std::size_t kAny = static_cast<std::size_t>(-1);
  auto uidAt = [&](std::size_t i, Uid* uid) {
    const auto parsed = ParseUid(operands[i]);
    if (parsed) *uid = *parsed;
    return parsed.has_value();
  };
  switch (inv.command) {
    case Command::kDiscover:
      if (!inv.incremental && !operands.empty()) {
        return Fail("discover takes no operands: " + operands[0] +
                    " (the UIDs known go after --incremental)");
      }
      if (operands.size() > DeviceTable::kCapacity) {
        return Fail("discover --incremental takes at most " +
                    std::to_string(DeviceTable::kCapacity) + " UIDs, the device table's size");
      }
      for (std::size_t i = 0; i < operands.size(); ++i) {
        Uid uid = 0;
        if (!uidAt(i, &uid)) return Fail(MalformedUid(operands[i]));
        // Muting a broadcast address would silence every device at once.
        if (IsBroadcastUid(uid))
          return Fail("a broadcast UID cannot be muted alone: " + operands[i]);
        if (std::find(inv.uids.begin(), inv.uids.end(), uid) != inv.uids.end()) {
          return Fail("UID given twice: " + operands[i]);
        }
        inv.uids.push_back(uid);
      }
      break;
    case Command::kPids:
    case Command::kNodes:
      if (!operands.empty()) return Fail(name + " takes no operands: " + operands[0]);
      break;
    case Command::kInfo:
      if (!CountIs(operands, 1, 1)) return Fail("usage: info UID");
      if (!uidAt(0, &inv.uid)) return Fail(MalformedUid(operands[0]));
      break;
    case Command::kGet:
    case Command::kSet: {
      const bool get = inv.command == Command::kGet;
      if (!CountIs(operands, 2, kAny)) {
        return Fail(get ? "usage: get UID PID [ARG...]" : "usage: set UID PID VALUE...");
      }
      if (!uidAt(0, &inv.uid)) return Fail(MalformedUid(operands[0]));
      const auto pid = LookUpPid(operands[1]);
      if (!pid) return Fail(UnknownPid(operands[1]));
      inv.pid = *pid;
      inv.values.assign(operands.begin() + 2, operands.end());
      std::string error;
      auto data = EncodeValues(inv.pid, !get, inv.values, &error);
      if (!data) return Fail(error);
      inv.data = std::move(*data);
      break;
    }
    case Command::kIdentify: {
      if (!CountIs(operands, 2, 2)) return Fail("usage: identify UID on|off|1|0");
      if (!uidAt(0, &inv.uid)) return Fail(MalformedUid(operands[0]));
      // The same words as every other flag a SET takes.
      std::string error;
      const auto flag = EncodeValues(rdm::kPidIdentifyDevice, true, {operands[1]}, &error);
      if (!flag) return Fail("identify takes on or off (1 or 0), not: " + operands[1]);
      inv.identifyOn = flag->front() != 0;
      break;
    }
    case Command::kAddress: {
      if (operands.empty()) return Fail("usage: address START [--step N] UID...");
      const auto start = ParseNumber(operands[0], kMaxAddress);
      if (!start || *start < rdm::kMinDmxAddress)
        return Fail("start address must be 1 to 512: " + operands[0]);
      inv.start = static_cast<std::uint16_t>(*start);
      for (std::size_t i = 1; i < operands.size(); ++i) {
        Uid uid = 0;
        if (!uidAt(i, &uid)) return Fail(MalformedUid(operands[i]));
        inv.uids.push_back(uid);
      }
      if (inv.step != 0 && !inv.uids.empty()) {
        const std::uint32_t last = inv.start + inv.step * (inv.uids.size() - 1);
        if (last > kMaxAddress) {
          return Fail("the last address would be " + std::to_string(last) + ", beyond 512");
        }
      }
      break;
    }
    case Command::kHelp:
    case Command::kVersion:
      break;
  }
  return ParseResult{std::move(inv), {}};
}

}  // namespace

std::optional<std::uint32_t> ParseNumber(const std::string& text, std::uint32_t max) {
  std::string_view digits = text;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  if (digits.empty() || !std::isxdigit(static_cast<unsigned char>(digits[0]))) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (ec != std::errc{} || end != digits.data() + digits.size() || value > max) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::optional<Uid> ParseUid(const std::string& text) {
  if (text.find(':') != std::string::npos) return ParseUidColonText(text);
  // The window's device list shows twelve digits; "devnames.lst" leaves out
  // leading zeros down to six.
  constexpr std::size_t kFewestDigits = 6, kMostDigits = 12;
  if (text.size() < kFewestDigits || text.size() > kMostDigits) return std::nullopt;
  Uid uid = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), uid, 16);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return uid;
}

std::string MalformedUid(const std::string& text) {
  return "malformed UID: " + text +
         " (write it mmmm:dddddddd or as 6 to 12 hex digits, 4b52:2c1f0a37 or 4B522C1F0A37)";
}

std::optional<std::uint16_t> ParsePid(const std::string& text) {
  const auto number = ParseNumber(text, 0xFFFF);
  if (!number) return std::nullopt;
  return static_cast<std::uint16_t>(*number);
}

std::string UidOut(Uid uid) {
  std::string text = UidColonText(uid);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

namespace {

ParseResult ParseArguments(const std::vector<std::string>& arguments);

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
  ParseResult result = ParseArguments(arguments);
  // A script that asked for JSON gets its usage error as JSON too.
  const auto end = std::find(arguments.begin(), arguments.end(), "--");
  result.json = std::find(arguments.begin(), end, "--json") != end;
  return result;
}

namespace {

ParseResult ParseArguments(const std::vector<std::string>& arguments) {
  Invocation inv;
  std::optional<std::string> commandName;
  std::vector<std::string> operands;
  bool help = false;
  bool version = false;
  bool stepGiven = false;
  bool subDeviceGiven = false;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    const bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!option) {
      if (!commandName) {
        commandName = arg;
      } else {
        operands.push_back(arg);
      }
      continue;
    }
    std::string error;
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (arg == "--json") {
      inv.json = true;
    } else if (arg == "--incremental") {
      inv.incremental = true;
    } else if (arg == "--full") {
      inv.full = true;
    } else if (IsOption(arg, "--sub-device")) {
      // E1.20 numbers sub-devices 1 to 512; 0xFFFF addresses all of them.
      const auto value = OptionValue(arguments, &i, "--sub-device");
      const auto number = value ? ParseNumber(*value, rdm::kAllSubDevices) : std::nullopt;
      if (!number || (*number > kMaxSubDevice && *number != rdm::kAllSubDevices)) {
        return Fail("--sub-device needs 0 (the root), 1 to 512, or 0xFFFF (all, for a SET)");
      }
      inv.subDevice = static_cast<std::uint16_t>(*number);
      subDeviceGiven = true;
    } else if (arg == "-v" || arg == "--verbose") {
      inv.verbose = true;
    } else if (IsOption(arg, "--step")) {
      const auto value = OptionValue(arguments, &i, "--step");
      const auto step = value ? ParseNumber(*value, kMaxAddress - 1) : std::nullopt;
      if (!step) return Fail("--step needs a number from 0 to 511");
      inv.step = static_cast<std::uint16_t>(*step);
      stepGiven = true;
    } else if (ParseLineOption(arguments, &i, inv.line, &error)) {
      if (!error.empty()) return Fail(error);
    } else {
      return Fail("unknown option: " + arg);
    }
  }
  if (help) return ParseResult{std::move(inv), {}};
  if (version) {
    inv.command = Command::kVersion;
    return ParseResult{std::move(inv), {}};
  }
  if (const std::string error = CheckLineOptions(inv.line); !error.empty()) return Fail(error);
  if (!commandName) return Fail("no command given (korval-rdm-cli --help lists them)");
  const auto* known = std::find_if(kCommands.begin(), kCommands.end(),
                                   [&](const CommandName& c) { return *commandName == c.name; });
  if (known == kCommands.end()) return Fail("unknown command: " + *commandName);
  inv.command = known->command;
  if (inv.command != Command::kAddress && stepGiven) {
    return Fail("--step belongs to the address command");
  }
  if (inv.command != Command::kDiscover && (inv.incremental || inv.full)) {
    return Fail(std::string(inv.full ? "--full" : "--incremental") +
                " belongs to the discover command");
  }
  if (inv.incremental && inv.full) return Fail("--incremental and --full exclude each other");
  if (subDeviceGiven && inv.command != Command::kGet && inv.command != Command::kSet) {
    return Fail("--sub-device belongs to the get and set commands");
  }
  if (inv.command == Command::kGet && inv.subDevice == rdm::kAllSubDevices) {
    return Fail("--sub-device 0xFFFF (all) takes a SET only: a GET has one answer");
  }
  return Operands(std::move(inv), *commandName, operands);
}

}  // namespace

std::string UsageText() {
  return "Usage: korval-rdm-cli [OPTIONS] COMMAND [ARGS...]\n"
         "\n"
         "Commands:\n"
         "  discover                          the UIDs on the line, in the order found\n"
         "  discover --incremental UID...     the UIDs given that still answer, in that\n"
         "                                    order, then those found new\n"
         "  discover [--full]                 with --artnet-node: the node's table of\n"
         "                                    devices (--full: the node discovers anew)\n"
         "  info UID                          what the device says about itself\n"
         "  get UID PID [ARG...]              one GET, its reply decoded\n"
         "  set UID PID VALUE...              one SET\n"
         "  identify UID on|off|1|0           IDENTIFY_DEVICE on or off\n"
         "  address START [--step N] UID...   start addresses START, START+N, ... in order\n"
         "                                    (--step 0 or no UID: one broadcast)\n"
         "  pids                              every PID the tool knows\n"
         "  nodes                             every Art-Net node that answers a poll,\n"
         "                                    with its output ports that carry RDM\n"
         "\n"
         "UIDs are written mmmm:dddddddd or as the window's list shows them\n"
         "(4B522C1F0A37), PIDs by name or number (0x0082). On a terminal, discover\n"
         "shows its progress on stderr.\n"
         "\n"
         "Options:\n" +
         LineOptionsUsage() +
         "  --json               one JSON document on stdout instead of text, for a\n"
         "                       failure too (its \"status\" and \"error\")\n"
         "  --sub-device N       get and set: sub-device N (1 to 512; 0xFFFF: all, SET)\n"
         "  -v, --verbose        every request and reply as a packet dump on stderr\n"
         "  -h, --help           this text\n"
         "  --version            the product and its version\n"
         "\n"
         "Exit status: 0 acknowledged, 1 refused (NACK), no valid reply or line failure,\n"
         "2 usage error (nothing is sent).\n";
}

}  // namespace korval::cli
