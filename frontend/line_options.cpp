#include "frontend/line_options.h"

#include "artnet/controller_packets.h"
#include "artnet/interfaces.h"
#include "rdm/ftdi_line.h"
#include "rdm/no_line.h"
#include "rdm/rdm_constants.h"
#include "sim/rig.h"
#include "sim/virtual_line.h"

namespace korval {

bool IsOption(const std::string& argument, const std::string& name) {
  return argument == name || argument.rfind(name + "=", 0) == 0;
}

std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, std::size_t* i,
                                       const std::string& name) {
  const std::string& arg = arguments[*i];
  const std::string prefix = name + "=";
  if (arg.rfind(prefix, 0) == 0) return arg.substr(prefix.size());
  if (arg == name && *i + 1 < arguments.size() && !arguments[*i + 1].starts_with("--")) {
    return arguments[++*i];
  }
  return std::nullopt;
}

bool ParseLineOption(const std::vector<std::string>& arguments, std::size_t* i,
                     LineOptions& options, std::string* error) {
  const std::string& arg = arguments[*i];
  if (arg == "--demo") {
    options.demo = true;
    return true;
  }
  if (IsOption(arg, "--virtual-rig")) {
    const auto file = OptionValue(arguments, i, "--virtual-rig");
    if (!file || file->empty()) {
      *error = "--virtual-rig needs a rig file";
    } else {
      options.rigFile = *file;
    }
    return true;
  }
  // An IPv4 option: the value, or the error for it.
  const auto address = [&](const std::string& name, std::optional<std::uint32_t>& into) {
    const auto value = OptionValue(arguments, i, name);
    const auto parsed = value ? artnet::ParseIpv4(*value) : std::nullopt;
    if (!parsed) {
      *error = value ? name + ": \"" + *value + "\" is no IPv4 address (write it as 10.0.0.5)"
                     : name + " needs an IPv4 address, such as 10.0.0.5";
    } else {
      into = *parsed;
    }
    return true;
  };
  if (IsOption(arg, "--artnet-node")) return address("--artnet-node", options.artNetNode);
  if (IsOption(arg, "--interface")) return address("--interface", options.interfaceAddress);
  if (IsOption(arg, "--port-address")) {
    const auto value = OptionValue(arguments, i, "--port-address");
    const auto parsed = value ? artnet::ParsePortAddress(*value) : std::nullopt;
    if (!parsed) {
      *error = (value ? "--port-address: \"" + *value + "\" is none" : "--port-address needs one") +
               std::string(" (0 to 32767, or NET:SUBNET:UNIVERSE such as 0:1:2)");
    } else {
      options.portAddress = *parsed;
      options.portAddressGiven = true;
    }
    return true;
  }
  if (IsOption(arg, "--rdm-timing")) {
    const auto value = OptionValue(arguments, i, "--rdm-timing");
    const auto timing = value ? ParseRdmTiming(*value) : std::nullopt;
    if (!timing) {
      *error = value ? "--rdm-timing: unknown mode \"" + *value + "\" (use classic or e120)"
                     : "--rdm-timing needs a mode: classic or e120";
    } else {
      options.timing = *timing;
    }
    return true;
  }
  return false;
}

std::string CheckLineOptions(const LineOptions& options) {
  if (options.demo && options.rigFile) return "--demo and --virtual-rig exclude each other";
  if (options.artNetNode && (options.demo || options.rigFile)) {
    return "--artnet-node and " + std::string(options.demo ? "--demo" : "--virtual-rig") +
           " exclude each other: the node's port is the line";
  }
  if (options.portAddressGiven && !options.artNetNode) {
    return "--port-address belongs to --artnet-node";
  }
  return {};
}

std::string LineOptionsUsage() {
  return "  --demo               use the built-in virtual rig instead of the interface\n"
         "  --virtual-rig FILE   use the virtual rig described in FILE (JSON)\n"
         "  --rdm-timing MODE    classic (default): every read waits out the 50 ms\n"
         "                       timeout; e120: reads end when the reply is complete\n"
         "                       or E1.20's reply time has passed\n"
         "  --artnet-node ADDRESS  reach the fixtures behind a port of the Art-Net node\n"
         "                       at ADDRESS (IPv4) instead of a line\n"
         "  --port-address N     that port: 0 (default) to 32767, or NET:SUBNET:UNIVERSE\n"
         "  --interface ADDRESS  the local IPv4 address to send and broadcast from\n";
}

std::unique_ptr<DmxLine> MakeLine(const LineOptions& options, std::string* error) {
  if (options.artNetNode) return std::make_unique<NoLine>();  // the node's port is the line
  if (options.demo) return sim::MakeVirtualLine(sim::MakeDemoRig());
  if (options.rigFile) {
    auto loaded = sim::LoadRigFile(*options.rigFile);
    if (!loaded.rig) {
      *error = loaded.error;
      return nullptr;
    }
    return sim::MakeVirtualLine(std::move(*loaded.rig));
  }
  return std::make_unique<FtdiLine>();
}

LineStatus OpenRdmLine(DmxLine& line, LineHandle* handle) {
  LineHandle opened = 0;
  const LineStatus status = line.Open(0, &opened);
  if (status != kLineOk) return status;
  line.ResetDevice(opened);
  line.SetBaudRate(opened, rdm::kLineBaud);
  line.SetDataCharacteristics(opened, kBits8, kStopBits2, kParityNone);
  line.SetFlowControl(opened, kFlowNone, 0, 0);
  line.Purge(opened, kPurgeRx);
  line.Purge(opened, kPurgeTx);
  line.SetTimeouts(opened, rdm::kLineTimeoutMs, rdm::kLineTimeoutMs);
  *handle = opened;
  return status;
}

std::string LineDescription(const LineOptions& options) {
  if (options.artNetNode) {
    return "Art-Net node " + artnet::Ipv4Text(*options.artNetNode) + ", Port-Address " +
           artnet::PortAddressText(options.portAddress);
  }
  if (options.demo) return "virtual line (demo rig)";
  if (options.rigFile) return "virtual line (" + *options.rigFile + ")";
  return "FTDI line";
}

}  // namespace korval
