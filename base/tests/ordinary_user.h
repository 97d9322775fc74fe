// Runs checks with the rights of an ordinary user. Root may write any file
// whatever its mode says, so under root the checks run in a child process that
// has given up root for the user nobody (65534); the directory it works in is
// handed to that user first. Failures in the child are printed there and end
// it with status 1, which fails the test in the parent.
#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

namespace korval::testing {

inline constexpr uid_t kNobody = 65534;

inline bool RunningAsRoot() {
  return ::geteuid() == 0;
}

inline void RunAsOrdinaryUser(const std::string& directory, const std::function<void()>& checks) {
  if (!RunningAsRoot()) {
    checks();
    return;
  }
  ASSERT_EQ(::chown(directory.c_str(), kNobody, kNobody), 0);
  std::fflush(nullptr);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      std::fprintf(stderr, "cannot become the user nobody\n");
      ::_exit(3);
    }
    checks();
    std::fflush(nullptr);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the checks as an ordinary user ended by a signal";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the checks as an ordinary user failed (see above)";
}

}  // namespace korval::testing
