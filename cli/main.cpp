// korval-rdm-cli: the tool's RDM core from a terminal and from scripts.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_print.h"
#include "cli/cli_session.h"
#include "frontend/line_options.h"
#include "rdm/line_controller.h"
#include "rdm/transport.h"

using namespace korval;

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
  std::string error;
  const std::unique_ptr<DmxLine> line = MakeLine(inv.line, &error);
  if (!line) return fail("USAGE_ERROR", error, cli::kExitUsage);
  // -v: the packet dumps and line messages of the window's log, on stderr.
  RdmTransport transport(*line, [verbose = inv.verbose](const std::string& text) {
    if (verbose) std::cerr << text << "\n";
  });
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
  // Progress is for a person watching; -v already shows every request.
  session.ShowDiscoveryProgress(isatty(STDERR_FILENO) != 0 && !inv.verbose);
  const int status = session.Run(inv);
  transport.SetHandle(0);
  line->Close(handle);
  return status;
}
