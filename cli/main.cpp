// korval-rdm-cli: the tool's RDM core from a terminal and from scripts.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "artnet/artnet_controller.h"
#include "artnet/controller_socket.h"
#include "artnet/node_finder.h"
#include "cli/cli_args.h"
#include "cli/cli_print.h"
#include "cli/cli_session.h"
#include "frontend/line_options.h"
#include "rdm/line_controller.h"
#include "rdm/transport.h"

using namespace korval;

namespace {

// nodes, and every command with --artnet-node: the socket on UDP 6454 of the
// interface chosen, the node finder or the node's controller behind it.
template <typename Fail>
int RunOnNetwork(const cli::Invocation& inv, const LogSink& log, bool progress, const Fail& fail) {
  artnet::ControllerSocket socket;
  if (!socket.Open(inv.line.interfaceAddress.value_or(0))) {
    return fail("LINE_FAILURE", socket.Error(), cli::kExitFailed);
  }
  const artnet::SendDatagram send = [&socket](std::uint32_t to, std::uint16_t port,
                                              std::span<const std::uint8_t> datagram) {
    return socket.Send(to, port, datagram);
  };
  if (inv.command == cli::Command::kNodes) {
    artnet::NodeFinder finder(send);
    socket.SetReceiver([&finder](std::span<const std::uint8_t> d, std::uint32_t from) {
      finder.Receive(d, from);
    });
    // A node named is asked directly, as well as every interface's broadcast.
    std::vector<std::uint32_t> to = socket.PollAddresses();
    if (inv.line.artNetNode) to.push_back(*inv.line.artNetNode);
    const std::vector<artnet::NodeInfo> nodes = finder.Poll(to);
    socket.Close();
    std::cout << cli::NodesText(nodes, inv.json);
    return cli::kExitAck;
  }
  artnet::ArtNetController controller(*inv.line.artNetNode, inv.line.portAddress, send, log);
  socket.SetReceiver([&controller](std::span<const std::uint8_t> d, std::uint32_t from) {
    controller.Receive(d, from);
  });
  cli::Session session(controller, std::cout, std::cerr, inv.json);
  session.SetDefaultDiscovery(DiscoveryMode::kIncremental);
  session.ShowDiscoveryProgress(progress);
  const int status = session.Run(inv);
  socket.Close();  // no reply reaches the controller once it is gone
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const cli::ParseResult parsed = cli::ParseCommandLine(arguments);
  // Every failure before a command runs: one line on stderr and, under
  // --json, the same as {status, error} on stdout.
  auto fail = [json = parsed.json](const std::string& status, const std::string& error, int exit) {
    std::cerr << "korval-rdm-cli: " << error << "\n";
    if (json) std::cout << cli::FailureText(status, error);
    return exit;
  };
  if (!parsed.invocation) return fail("USAGE_ERROR", parsed.error, cli::kExitUsage);
  const cli::Invocation& inv = *parsed.invocation;
  // None of these needs the line.
  if (inv.command == cli::Command::kHelp) {
    std::cout << cli::UsageText();
    return cli::kExitAck;
  }
  if (inv.command == cli::Command::kVersion) {
    std::cout << cli::VersionText(inv.json);
    return cli::kExitAck;
  }
  if (inv.command == cli::Command::kPids) {
    std::cout << cli::PidsText(cli::KnownPids(), inv.json);
    return cli::kExitAck;
  }
  // -v: the packet dumps and line messages of the window's log, on stderr.
  const LogSink log = [verbose = inv.verbose](const std::string& text) {
    if (verbose) std::cerr << text << "\n";
  };
  // Progress is for a person watching; -v already shows every request.
  const bool progress = isatty(STDERR_FILENO) != 0 && !inv.verbose;
  if (inv.command == cli::Command::kNodes || inv.line.artNetNode) {
    return RunOnNetwork(inv, log, progress, fail);
  }
  std::string error;
  const std::unique_ptr<DmxLine> line = MakeLine(inv.line, &error);
  if (!line) return fail("USAGE_ERROR", error, cli::kExitUsage);
  RdmTransport transport(*line, log);
  transport.SetTiming(inv.line.timing);
  LineHandle handle = 0;
  if (OpenRdmLine(*line, &handle) != kLineOk) {
    std::string text = "no KORVAL interface found";
    if (const auto cause = line->OpenFailureCause()) text += " (" + *cause + ")";
    return fail("LINE_FAILURE", text, cli::kExitFailed);
  }
  transport.SetHandle(handle);
  LineController controller(transport, LineDescription(inv.line));
  cli::Session session(controller, std::cout, std::cerr, inv.json);
  session.ShowDiscoveryProgress(progress);
  const int status = session.Run(inv);
  transport.SetHandle(0);
  line->Close(handle);
  return status;
}
