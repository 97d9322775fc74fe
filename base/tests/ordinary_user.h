// Runs checks with the rights of an ordinary user. Root may write any file
// whatever its mode says, so under root the checks run with the effective user
// and group nobody (65534), and root's own are restored afterwards; the
// directory the checks work in is handed to that user first. The switch is
// made for the whole process (every thread, as the C library does it), not in
// a forked child: the window's painting uses worker threads a child would lack.
#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

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
  std::vector<gid_t> groups(static_cast<std::size_t>(::getgroups(0, nullptr)));
  ASSERT_GE(::getgroups(static_cast<int>(groups.size()), groups.data()), 0);
  const gid_t nobodyGroup = kNobody;
  ASSERT_EQ(::setgroups(1, &nobodyGroup), 0);
  ASSERT_EQ(::setegid(kNobody), 0);
  ASSERT_EQ(::seteuid(kNobody), 0);
  struct Restore {
    std::vector<gid_t>& groups;
    ~Restore() {
      const bool restored =
          ::seteuid(0) == 0 && ::setegid(0) == 0 && ::setgroups(groups.size(), groups.data()) == 0;
      EXPECT_TRUE(restored) << "cannot become root again";
    }
  } restore{groups};
  checks();
}

}  // namespace korval::testing
