// What the tests of the parameter-page catalogue share: the page over the
// line's controller on any line (the virtual rig or a scripted one), its log lines
// collected, the names-list saves and the `show` calls recorded with where in
// the log they came.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "params/parameter_page.h"
#include "rdm/line_controller.h"
#include "sim/virtual_line.h"

namespace korval::testing {

template <typename Line>
struct PageFixture : ::testing::Test {
  template <typename... Args>
  explicit PageFixture(Args&&... args) : line(std::forward<Args>(args)...) {
    LineHandle handle = 0;
    EXPECT_EQ(line.Open(0, &handle), kLineOk);
    transport.SetHandle(handle);
  }

  struct Shown {
    std::size_t logLines;  // how many log lines there were when it came
    params::PageField changed;
    params::PageValues values;
  };

  std::size_t LogMark() const { return log.size(); }
  std::vector<std::string> LogSince(std::size_t mark) const {
    return {log.begin() + static_cast<std::ptrdiff_t>(mark), log.end()};
  }
  // The log with packet dumps reduced to their kind, for comparing sequences.
  std::vector<std::string> Outline(const std::vector<std::string>& lines) const {
    std::vector<std::string> out;
    for (const std::string& l : lines) {
      if (l.starts_with("Request__:")) {
        out.push_back("Request");
      } else if (l.starts_with("Response_:")) {
        out.push_back("Response");
      } else {
        out.push_back(l);
      }
    }
    return out;
  }

  Line line;
  std::vector<std::string> log;
  LogSink logTo = [this](const std::string& s) { log.push_back(s); };
  RdmTransport transport{line, logTo};
  LineController controller{transport, "the line"};
  NamesList names;
  std::vector<std::vector<std::string>> saved;  // the names list's lines at each save
  std::vector<Shown> shown;
  // Set to make `show` throw, as a nested change handler of a window may.
  std::function<void(params::PageField)> throwOnShow;
  // Set to make saving the names list fail, as a file that cannot be replaced does.
  bool failSave = false;
  params::ParameterPage page{controller, logTo, names,
                             [this](const NamesList& list) {
                               if (failSave) throw FileError("devnames.lst cannot be replaced");
                               saved.push_back(list.Lines());
                             },
                             [this](const params::PageValues& v, params::PageField changed) {
                               shown.push_back({log.size(), changed, v});
                               if (throwOnShow) throwOnShow(changed);
                             }};
  params::PageValues values;
};

// The page over the virtual rig in instant timing.
struct PageOnVirtualLine : PageFixture<sim::VirtualLine> {
  PageOnVirtualLine() : PageFixture(sim::Timing::kInstant) {}

  sim::Responder& Device(Uid uid) { return *line.FindResponder(uid); }
  Clock::Duration Now() { return line.GetClock().Now(); }
  // The requests carried since the line's last ClearRequests, each a
  // well-formed frame sent after a break.
  std::vector<sim::RdmRequest> Sent() const {
    std::vector<sim::RdmRequest> requests;
    for (const sim::VirtualLine::RecordedRequest& recorded : line.Requests()) {
      EXPECT_TRUE(recorded.checksumOk);
      EXPECT_TRUE(recorded.afterBreak);
      requests.push_back(recorded.request);
    }
    return requests;
  }
};

inline sim::ResponderConfig Fixture(Uid uid) {
  sim::ResponderConfig config;
  config.uid = uid;
  return config;
}

inline sim::ResponderConfig Supporting(Uid uid, std::vector<std::uint16_t> pids) {
  sim::ResponderConfig config = Fixture(uid);
  config.supported_parameters = std::move(pids);
  return config;
}

inline std::vector<std::uint8_t> DataOf(const sim::RdmRequest& request) {
  const auto data = request.Data();
  return {data.begin(), data.end()};
}

}  // namespace korval::testing
