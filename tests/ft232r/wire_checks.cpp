#include "tests/ft232r/wire_checks.h"

#include <cmath>

#include "rdm/rdm_constants.h"

namespace korval::ft232r {

namespace {

constexpr Micros kControllerMinBreak{rdm::kBreakMinUs};
constexpr Micros kControllerMinMark{rdm::kMarkAfterBreakMinUs};
// The FT232R's divisor comes in eighths: 250000 baud is exact (3 MHz / 12),
// the nearest other rates are 1 % away.
constexpr double kBaudResolution = 0.005;

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

}  // namespace

std::string HostSteps(const std::vector<ModelEvent>& timeline) {
  std::string steps;
  bool breakOn = false;
  for (const ModelEvent& e : timeline) {
    if (e.kind == "out") steps += 'O';
    if (e.kind == "in") steps += 'I';
    if (e.kind != "ctl") continue;
    const std::string request = e.Field("req");
    if (request == "reset") steps += 'Z';
    if (request == "baud") steps += 'U';
    if (request == "latency") steps += 'L';
    if (request == "flow") steps += 'F';
    if (request == "purge") steps += e.Field("which") == "rx" ? 'P' : 'T';
    if (request == "data") {
      const bool on = e.Field("break") == "on";
      steps += on ? 'B' : breakOn ? 'b' : 'D';
      breakOn = on;
    }
  }
  return steps;
}

::testing::AssertionResult OpensAsAnRdmLine(const std::vector<ModelEvent>& timeline) {
  bool latencyDue = false;
  bool opened = false;
  double rate = 0;
  std::string format, flow;
  for (const ModelEvent& e : timeline) {
    const std::string request = e.Field("req");
    if (e.Is("ctl", "req", "reset")) latencyDue = true;
    if (e.Is("ctl", "req", "latency")) latencyDue = e.Field("ms") != "1";
    if (e.Is("ctl", "req", "baud")) rate = static_cast<double>(e.Number("rate"));
    if (e.Is("ctl", "req", "flow")) flow = e.Field("mode");
    if (e.Is("ctl", "req", "data")) {
      format = e.Field("bits") + e.Field("parity") + e.Field("stop");
    }
    const bool sends = e.kind == "out" || (e.Is("ctl", "req", "data") && e.Field("break") == "on");
    if (!sends) continue;
    if (latencyDue) {
      return ::testing::AssertionFailure()
             << "at " << e.at.count() << " us the host sends with the latency timer not at 1 ms "
             << "since the last reset: " << FormatEvent(e);
    }
    if (opened || e.kind != "out") continue;
    opened = true;
    if (std::abs(rate - rdm::kLineBaud) > kBaudResolution * rdm::kLineBaud || format != "8none2" ||
        flow != "none") {
      return ::testing::AssertionFailure() << "the first write goes out at " << rate
                                           << " baud, format " << format << ", flow " << flow;
    }
  }
  if (latencyDue) return ::testing::AssertionFailure() << "a reset without latency 1 ms after it";
  if (!opened) return ::testing::AssertionFailure() << "nothing was ever written";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ExchangesInOrder(const std::vector<ModelEvent>& timeline) {
  const std::string steps = HostSteps(timeline);
  // libftdi's open, then the tool's configuration; again after a reopen.
  static constexpr std::string_view kOpen = "ZUL";
  static constexpr std::string_view kConfigure = "ZLUDFPT";
  static constexpr std::string_view kExchange = "PTBbO";
  static constexpr std::string_view kDmxFrame = "BbOO";
  std::size_t at = 0;
  auto take = [&](std::string_view unit) {
    if (steps.compare(at, unit.size(), unit) != 0) return false;
    at += unit.size();
    return true;
  };
  while (at < steps.size()) {
    if (take(kOpen) || take(kConfigure) || take(kDmxFrame)) continue;
    if (take(kExchange)) {
      take("I");
      continue;
    }
    return ::testing::AssertionFailure()
           << "the host's steps go astray at " << at << ": ..."
           << steps.substr(at > 20 ? at - 20 : 0, 20) << " [" << steps.substr(at, 20) << "]";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult NothingCutOff(const std::vector<ModelEvent>& timeline) {
  std::string faults;
  for (const ModelEvent& e : timeline) {
    if (e.kind == "drop" || (e.kind == "frame" && e.Field("readable") != "yes")) {
      faults += "\n  " + FormatEvent(e).substr(0, 200);
    }
  }
  if (faults.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "frames lost on the wire:" << faults;
}

::testing::AssertionResult BreaksLongEnough(const std::vector<ModelEvent>& timeline) {
  for (const ModelEvent& e : timeline) {
    if (e.kind != "frame" || e.Field("break").empty()) continue;
    if (Micros(e.Number("break")) < kControllerMinBreak ||
        Micros(e.Number("mab")) < kControllerMinMark) {
      return ::testing::AssertionFailure() << "break or mark too short: " << FormatEvent(e);
    }
  }
  return ::testing::AssertionSuccess();
}

std::vector<sim::RdmFrame> RequestFrames(const std::vector<ModelEvent>& timeline) {
  std::vector<sim::RdmFrame> frames;
  for (const ModelEvent& e : timeline) {
    if (!e.Is("frame", "sc", "CC") || e.Field("readable") != "yes") continue;
    if (auto frame = sim::ParseRdmFrame(FromHex(e.Field("hex")))) frames.push_back(*frame);
  }
  return frames;
}

std::vector<std::string> UnreadableFrames(const std::vector<ModelEvent>& timeline) {
  std::vector<std::string> lines;
  for (const ModelEvent& e : timeline) {
    if (e.kind == "frame" && e.Field("readable") != "yes") lines.push_back(FormatEvent(e));
  }
  return lines;
}

std::vector<std::string> UsbEvents(const std::vector<ModelEvent>& timeline) {
  std::vector<std::string> events;
  for (const ModelEvent& e : timeline) {
    if (e.kind == "usb") events.push_back(e.Field("event"));
  }
  return events;
}

}  // namespace korval::ft232r
