// One scripted operator session on a fixed rig (app/tests/session_script.h),
// compared whole against the golden files in app/tests/golden/: every line of
// the message log (packet dumps included), every request frame the line
// carried, the bytes of every file the session leaves and the page's boxes at
// the end. Any change to what the window logs, sends, writes or shows fails
// here with the first line that differs. The session runs in both reply
// timings against the same files: the timing changes how long the line is
// waited for, never what the window does.
//
// When a change is meant, rewrite the golden files and review their diff:
//     KORVAL_UPDATE_GOLDEN=1 build/dev/app/tests/app_session_test
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tests/session_script.h"

namespace korval::testing {
namespace {

class SessionTest : public SessionScript, public ::testing::WithParamInterface<RdmTiming> {
 protected:
  SessionTest() { timing = GetParam(); }

  std::vector<std::string> RecordedRequests() const {
    std::vector<std::string> lines;
    for (const auto& recorded : line.Requests()) {
      lines.push_back(FormatRequest(recorded.request, recorded.checksumOk, recorded.afterBreak));
    }
    return lines;
  }
};

TEST_P(SessionTest, LogRequestsFilesAndBoxesAreThoseOfTheGoldenFiles) {
  RunSession();
  // Only one timing may write them; the other then checks against them.
  if (GetParam() != RdmTiming::kClassic && UpdatingGolden()) return;
  ExpectGolden("session_log.txt", NormalisedLog());
  ExpectGolden("session_requests.txt", RecordedRequests());
  ExpectGolden("session_files.txt", Files());
  ExpectGolden("session_widgets.txt", Widgets());
  ExpectGolden("session_map.txt", Map());
  EXPECT_FALSE(UpdatingGolden()) << "golden files rewritten: review their diff";
}

// The session must not depend on the real time or on where it runs: a second
// run in another directory gives the same log and requests.
TEST_P(SessionTest, TheSessionDoesNotDependOnItsDirectoryOrTheTime) {
  RunSession();
  for (const std::string& line : Log()) {
    EXPECT_EQ(line.find(directory), std::string::npos) << line;
    EXPECT_EQ(line.find("korval-form-"), std::string::npos) << line;
  }
  if (!UpdatingGolden()) {
    EXPECT_EQ(NormalisedLog(), ReadGolden("session_log.txt"));
    EXPECT_EQ(RecordedRequests(), ReadGolden("session_requests.txt"));
  }
}

INSTANTIATE_TEST_SUITE_P(BothTimings, SessionTest,
                         ::testing::Values(RdmTiming::kClassic, RdmTiming::kE120),
                         [](const auto& info) { return std::string(RdmTimingName(info.param)); });

}  // namespace
}  // namespace korval::testing
