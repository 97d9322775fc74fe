// What a discovery on a line where nobody answers writes to the log, from the
// first broadcast un-mute to the fifth silent full-range branch: shared by the
// discovery tests and the window's discover-button tests.
#pragma once

#include <string>
#include <vector>

namespace korval::testing {

// The dump of a branch reply that never came: every byte reads 0xFF.
inline const std::string kSilentDump =
    "Response_:FF FFFFFFFFFFFF FFFFFFFFFFFF FF FF FF FFFF FF FFFF FF "
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FFFF";

// Transaction numbers start at 1 for the first un-mute.
inline std::vector<std::string> EmptyLineDiscoveryLog() {
  std::vector<std::string> log = {
      "UnMute 0xFFFFFFFFFFFF",
      "Request__:18 FFFFFFFFFFFF 888800000001 01 01 00 0000 10 0003 00 0805",
      "UnMute 0xFFFFFFFFFFFF",
      "Request__:18 FFFFFFFFFFFF 888800000001 02 01 00 0000 10 0003 00 0806",
      "Discovery started.",
  };
  const char* branchSums[] = {"0E16", "0E17", "0E18", "0E19", "0E1A"};
  for (int i = 0; i < 5; ++i) {
    log.push_back("Request__:24 FFFFFFFFFFFF 888800000001 0" + std::to_string(i + 3) +
                  " 01 00 0000 10 0001 0C 00 00 00 00 00 00 FF FF FF FF FF FE " + branchSums[i]);
    log.push_back(kSilentDump);
  }
  return log;
}

}  // namespace korval::testing
