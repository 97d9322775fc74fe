// korval-rdm-cli, unchanged, through the real libftdi1 and libusb against the
// FT232R model: the same output as on --virtual-rig with the same rig, and at
// the chip the open sequence, every exchange in order and every frame whole;
// then the chip absent, refused, held by a driver or pulled out mid-command.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ft232r/model_client.h"
#include "tests/ft232r/wire_checks.h"

#if !defined(KORVAL_MODEL) || !defined(KORVAL_CLI) || !defined(KORVAL_RIG)
#error "KORVAL_MODEL, KORVAL_CLI and KORVAL_RIG name the programs and the rig file"
#endif

extern char** environ;

namespace korval::ft232r {
namespace {

using ::testing::HasSubstr;

constexpr int kSkipped = 77;

struct Ran {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<ModelEvent> events;  // when run under the model
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class CliUnderModel : public ::testing::Test {
 protected:
  CliUnderModel() {
    char pattern[] = "/tmp/korval-usb-XXXXXX";
    directory_ = ::mkdtemp(pattern);
  }
  ~CliUnderModel() override {
    [[maybe_unused]] const int rc = std::system(("rm -rf '" + directory_ + "'").c_str());
  }

  Ran Run(const std::vector<std::string>& argv) const {
    const std::string out = directory_ + "/out", err = directory_ + "/err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    Ran ran;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
      int status = 0;
      ::waitpid(pid, &status, 0);
      ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    ran.out = Slurp(out);
    ran.err = Slurp(err);
    return ran;
  }

  Ran OnVirtualRig(const std::vector<std::string>& cli) const {
    std::vector<std::string> argv{KORVAL_CLI, "--virtual-rig", KORVAL_RIG};
    argv.insert(argv.end(), cli.begin(), cli.end());
    return Run(argv);
  }

  // The model's options, then the command line's arguments.
  Ran UnderModel(const std::vector<std::string>& model, const std::vector<std::string>& cli) const {
    const std::string log = directory_ + "/model.log";
    std::vector<std::string> argv{KORVAL_MODEL, "--rig", KORVAL_RIG, "--log", log};
    argv.insert(argv.end(), model.begin(), model.end());
    argv.insert(argv.end(), {"--", KORVAL_CLI});
    argv.insert(argv.end(), cli.begin(), cli.end());
    Ran ran = Run(argv);
    if (ran.status == kSkipped) {
      // umockdev cannot run here: the whole program reports itself skipped.
      std::cout << ran.err;
      std::exit(kSkipped);
    }
    ran.events = Timeline(ReadEvents(log));
    return ran;
  }

  std::string directory_;
};

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Each command of the tool in one reply timing (the test's parameter), with
// its packet dumps (-v): output, dumps and status as on the virtual rig, and
// every request the tool sent read whole by the fixtures.
class SameAsTheVirtualRig : public CliUnderModel,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(SameAsTheVirtualRig, EveryCommandWithEveryFrameWhole) {
  const std::vector<std::vector<std::string>> commands{
      {"discover"},
      {"info", "4b52:2c1f0a37"},
      {"get", "4b52:2c1f0a37", "dmx_personality_description", "2"},
      {"get", "4b52:1196f2a8", "device_label"},  // NR_UNKNOWN_PID
      {"set", "4a4c:00000012", "device_label", "Wash left"},
      {"address", "100", "--step", "16", "4b52:2c1f0a37", "4b52:1196f2a8", "4a4c:00000012"},
      {"address", "7", "--step", "0"},  // one broadcast, nothing after it
  };
  for (const auto& command : commands) {
    std::vector<std::string> cli{"--rdm-timing", GetParam(), "-v"};
    cli.insert(cli.end(), command.begin(), command.end());
    SCOPED_TRACE(command[0] + (command.size() > 1 ? " " + command[1] : ""));
    const Ran expected = OnVirtualRig(cli);
    const Ran got = UnderModel({}, cli);
    EXPECT_EQ(got.status, expected.status);
    EXPECT_EQ(got.out, expected.out);
    EXPECT_EQ(got.err, expected.err);
    EXPECT_EQ(RequestFrames(got.events).size(), Count(expected.err, "Request__:"));
    EXPECT_TRUE(OpensAsAnRdmLine(got.events));
    EXPECT_TRUE(ExchangesInOrder(got.events));
    EXPECT_TRUE(NothingCutOff(got.events));
    EXPECT_TRUE(BreaksLongEnough(got.events));
  }
}

INSTANTIATE_TEST_SUITE_P(BothTimings, SameAsTheVirtualRig, ::testing::Values("classic", "e120"),
                         [](const auto& info) { return std::string(info.param); });

// The device's life around one command: what the tool says, its status, and
// what happened to the chip on the bus.
TEST_F(CliUnderModel, AbsentRefusedHeldAndPulledOut) {
  const std::vector<std::string> info{"--rdm-timing", "e120", "-v", "info", "4b52:2c1f0a37"};
  const std::vector<std::string> discover{"--rdm-timing", "e120", "-v", "discover"};
  struct Case {
    const char* name;
    std::vector<std::string> model;
    int status;
    std::string stderrHas;
    std::vector<std::string> usb;
    std::vector<std::string> cli{};  // info unless given
  };
  const std::vector<Case> cases{
      {"absent", {"--absent"}, 1, "korval-rdm-cli: no KORVAL interface found\n", {}},
      {"refused to an ordinary user",
       {"--denied", "--user", "nobody"},
       1,
       "no KORVAL interface found (FTDI device 0403:6001 (serial unreadable) found but not "
       "opened: libusb_open() failed)",
       {"plug"}},
      {"claimed by another program",
       {"--held-by", "usbfs"},
       1,
       "(FTDI device 0403:6001 serial KRV4C2A7 found but not opened: unable to claim usb device. "
       "Make sure the default FTDI driver is not in use)",
       {"plug", "claim"}},
      {"bound to ftdi_sio",
       {"--held-by", "ftdi_sio"},
       0,
       "",
       {"plug", "detach", "claim", "release", "attach"}},
      {"pulled out as the first request reaches the fixtures",
       {"--unplug-at-request", "1"},
       1,
       "no KORVAL widget found\n4b52:2c1f0a37 supported_parameters: line failure: the interface "
       "refused to send or to read",
       {"plug", "claim", "unplug"}},
      {"pulled out as a discovery starts",
       {"--unplug-at-request", "1"},
       1,
       "\ndiscover: the line failed: ",
       {"plug", "claim", "unplug"},
       discover},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Ran got = UnderModel(c.model, c.cli.empty() ? info : c.cli);
    EXPECT_EQ(got.status, c.status) << got.err;
    EXPECT_THAT(got.err, HasSubstr(c.stderrHas));
    EXPECT_EQ(UsbEvents(got.events), c.usb);
  }
}

}  // namespace
}  // namespace korval::ft232r
