// ft232r-model: runs a program, unchanged, against an FT232R on a mocked USB
// bus (umockdev), with the fixtures of a rig file on the DMX line behind it.
//
//   ft232r-model [options] -- PROGRAM [ARGUMENT...]
//
// The program runs with libumockdev-preload, so libusb (and libftdi on top)
// finds the chip in the mocked sysfs and /dev, and every usbdevfs ioctl it
// makes is answered here. The model's exit status is the program's. Options:
//   --rig FILE             the fixtures (a rig file as --virtual-rig takes; its
//                          "timing" does not apply: the model runs in real time)
//   --log FILE             the model's event log (tests/ft232r/model_log.h)
//   --report               the wire figures on stderr once the program ends
//   --serial TEXT          the chip's serial number
//   --absent               no chip on the bus at the start
//   --denied               the device node refuses an ordinary user
//   --held-by DRIVER       ftdi_sio (the kernel's serial driver, detachable) or
//                          usbfs (another program has claimed the chip)
//   --unplug-at-request N  unplug once the Nth RDM request has reached the fixtures
//   --replug-after MS      plug the chip in again MS after that unplug
//   --user NAME            run the program as this user (when started as root)
// The program may steer the device while it runs: it finds a socket in
// KORVAL_FT232R_CONTROL_FD and writes one command a line, each answered "ok":
// plug, unplug, deny, allow, and sync (the log file, named in
// KORVAL_FT232R_LOG, is then complete up to now). tests/ft232r/model_client.h
// does this for a test.
// Exit status 77: umockdev cannot run here.
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <umockdev.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "sim/rig.h"
#include "tests/ft232r/usbfs_device.h"
#include "tests/ft232r/wire_figures.h"

#ifndef KORVAL_UMOCKDEV_PRELOAD
#error "KORVAL_UMOCKDEV_PRELOAD must name libumockdev-preload.so.0"
#endif

namespace {

using korval::ft232r::Micros;
using korval::ft232r::UsbfsDevice;

constexpr int kSkip = 77;
constexpr int kUsage = 2;
constexpr Micros kNever{INT64_MAX};

struct Options {
  std::string rig;
  std::string log;
  bool report = false;
  korval::ft232r::DeviceOptions device;
  std::optional<int> replugAfterMs;
  std::string user;
  std::vector<std::string> command;
};

std::optional<Options> Parse(int argc, char** argv) {
  Options o;
  int i = 1;
  auto value = [&]() -> std::optional<std::string> {
    if (i + 1 >= argc) return std::nullopt;
    return std::string(argv[++i]);
  };
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    std::optional<std::string> v;
    if (a == "--") {
      o.command.assign(argv + i + 1, argv + argc);
      break;
    }
    if (a == "--report") {
      o.report = true;
    } else if (a == "--absent") {
      o.device.present = false;
    } else if (a == "--denied") {
      o.device.denied = true;
    } else if ((a == "--rig" || a == "--log" || a == "--serial" || a == "--held-by" ||
                a == "--unplug-at-request" || a == "--replug-after" || a == "--user") &&
               (v = value())) {
      if (a == "--rig") o.rig = *v;
      if (a == "--log") o.log = *v;
      if (a == "--serial") o.device.serial = *v;
      if (a == "--held-by") o.device.heldBy = *v;
      if (a == "--unplug-at-request") o.device.unplugAtRequest = std::stoul(*v);
      if (a == "--replug-after") o.replugAfterMs = std::stoi(*v);
      if (a == "--user") o.user = *v;
    } else {
      std::cerr << "ft232r-model: unknown or incomplete option " << a << "\n";
      return std::nullopt;
    }
  }
  if (o.command.empty()) {
    std::cerr << "ft232r-model: usage: ft232r-model [options] -- PROGRAM [ARGUMENT...]\n";
    return std::nullopt;
  }
  if (!o.device.heldBy.empty() && o.device.heldBy != "ftdi_sio" && o.device.heldBy != "usbfs") {
    std::cerr << "ft232r-model: --held-by takes ftdi_sio or usbfs\n";
    return std::nullopt;
  }
  return o;
}

// Everything in the test bed must be reachable for a program run as another
// user: it also makes sockets there (udev's uevent listener).
void OpenUp(const std::string& root) {
  ::chmod(root.c_str(), 01777);
}

std::string Cwd() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? buffer : ".";
}

// umockdev's library, after AddressSanitizer's runtime when the build has one.
std::string Preload() {
#ifdef KORVAL_PRELOAD_FIRST
  return std::string(KORVAL_PRELOAD_FIRST) + " " + KORVAL_UMOCKDEV_PRELOAD;
#else
  return KORVAL_UMOCKDEV_PRELOAD;
#endif
}

[[noreturn]] void RunChild(const Options& o, int control) {
  ::setenv("LD_PRELOAD", Preload().c_str(), 1);
  ::unsetenv("KORVAL_FT232R_MODEL");
  ::setenv("KORVAL_FT232R_CONTROL_FD", std::to_string(control).c_str(), 1);
  if (!o.log.empty()) {
    // The program may change its directory (the window tests do).
    const std::string log = o.log.front() == '/' ? o.log : Cwd() + "/" + o.log;
    ::setenv("KORVAL_FT232R_LOG", log.c_str(), 1);
  }
  if (!o.user.empty() && ::getuid() == 0) {
    const passwd* pw = ::getpwnam(o.user.c_str());
    if (pw == nullptr || ::setgroups(0, nullptr) != 0 || ::setgid(pw->pw_gid) != 0 ||
        ::setuid(pw->pw_uid) != 0) {
      std::perror("ft232r-model: cannot become the user");
      ::_exit(kUsage);
    }
  }
  std::vector<char*> args;
  for (const std::string& a : o.command) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  std::perror(("ft232r-model: " + o.command[0]).c_str());
  ::_exit(127);
}

// Interrupting the model interrupts the program; the model ends with it and
// takes its test bed away.
volatile pid_t childPid = 0;

void Forward(int signal) {
  if (childPid > 0) ::kill(childPid, signal);
}

// One command from the program; the answer goes back on the same socket.
void Obey(const std::string& command, UsbfsDevice& device, int control, Micros& replugAt) {
  std::string answer = "ok\n";
  if (command == "unplug") {
    device.Unplug();
    replugAt = kNever;
  } else if (command == "plug") {
    device.Plug();
  } else if (command == "deny") {
    device.Deny(true);
  } else if (command == "allow") {
    device.Deny(false);
  } else if (command == "sync") {
    device.Sync();
  } else {
    answer = "error: unknown command " + command + "\n";
  }
  [[maybe_unused]] ssize_t n = ::write(control, answer.data(), answer.size());
}

}  // namespace

int main(int argc, char** argv) {
  UsbfsDevice::Now();  // model time starts here
  const std::optional<Options> options = Parse(argc, argv);
  if (!options) return kUsage;
  if (::access(KORVAL_UMOCKDEV_PRELOAD, R_OK) != 0) {
    std::cerr << "ft232r-model: skipped: " << KORVAL_UMOCKDEV_PRELOAD
              << " is missing (install umockdev: scripts/install-deps.sh)\n";
    return kSkip;
  }
  // The model itself runs under umockdev too: the uevents it sends are made
  // with libudev, which must see the mocked sysfs.
  if (std::getenv("KORVAL_FT232R_MODEL") == nullptr) {
    ::setenv("KORVAL_FT232R_MODEL", "1", 1);
    ::setenv("LD_PRELOAD", Preload().c_str(), 1);
    ::execv("/proc/self/exe", argv);
    std::perror("ft232r-model: cannot run itself under umockdev");
    return kSkip;
  }
  std::vector<korval::sim::ResponderConfig> responders;
  if (!options->rig.empty()) {
    auto loaded = korval::sim::LoadRigFile(options->rig);
    if (!loaded.rig) {
      std::cerr << "ft232r-model: " << loaded.error << "\n";
      return kUsage;
    }
    responders = std::move(loaded.rig->responders);
  }
  if (options->device.denied && ::getuid() == 0 && options->user.empty()) {
    std::cerr << "ft232r-model: --denied refuses nothing to root; add --user nobody\n";
    return kUsage;
  }

  UMockdevTestbed* testbed = umockdev_testbed_new();
  OpenUp(umockdev_testbed_get_root_dir(testbed));
  korval::ft232r::ModelLog log(options->log);
  korval::ft232r::DmxBus bus(std::move(responders), log);
  int status = 0;
  {
    UsbfsDevice device(testbed, bus, log, options->device);
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) != 0) {
      std::perror("ft232r-model: socketpair");
      return kSkip;
    }
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(sockets[0]);
      RunChild(*options, sockets[1]);
    }
    ::close(sockets[1]);
    childPid = child;
    std::signal(SIGINT, Forward);
    std::signal(SIGTERM, Forward);
    Micros replugAt = kNever;
    std::string pending;
    for (;;) {
      pollfd fd{sockets[0], POLLIN, 0};
      if (::poll(&fd, 1, 2) > 0) {
        char buffer[256];
        const ssize_t n = ::read(sockets[0], buffer, sizeof buffer);
        if (n > 0) pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
          Obey(pending.substr(0, end), device, sockets[0], replugAt);
          pending.erase(0, end + 1);
        }
      }
      if (device.UnplugPending()) {
        device.TakeOffBus();
        if (options->replugAfterMs) {
          replugAt = UsbfsDevice::Now() + std::chrono::milliseconds(*options->replugAfterMs);
        }
      }
      if (UsbfsDevice::Now() >= replugAt) {
        replugAt = kNever;
        device.Plug();
      }
      int waited = 0;
      if (::waitpid(child, &waited, WNOHANG) == child) {
        status = WIFEXITED(waited) ? WEXITSTATUS(waited) : 128 + WTERMSIG(waited);
        break;
      }
    }
    ::close(sockets[0]);
    // The chip keeps sending what it holds after the program has gone.
    device.Settle(std::chrono::milliseconds(50));
    device.Sync();
  }
  if (options->report) {
    std::cerr << korval::ft232r::FormatFigures(korval::ft232r::MeasureWire(log.Events()));
  }
  g_object_unref(testbed);
  return status;
}
