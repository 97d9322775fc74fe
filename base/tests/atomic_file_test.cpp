#include "base/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "base/errors.h"
#include "base/tests/ordinary_user.h"

namespace korval {
namespace {

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/korval-file-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { [[maybe_unused]] int rc = std::system(("rm -rf " + dir_).c_str()); }
  int EntriesInDir() const {
    int n = 0;
    DIR* d = ::opendir(dir_.c_str());
    while (dirent* e = ::readdir(d)) n += e->d_name[0] != '.';
    ::closedir(d);
    return n;
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    DIR* d = ::opendir(dir_.c_str());
    while (dirent* e = ::readdir(d)) {
      if (e->d_name[0] != '.') names.insert(e->d_name);
    }
    ::closedir(d);
    return names;
  }
  static void Put(const std::string& path, const std::string& bytes, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
  }
  static std::string Text(const std::string& path) {
    const auto bytes = ReadWholeFile(path);
    return {bytes.begin(), bytes.end()};
  }
  static struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
  }
  std::string dir_;
};

const std::vector<std::uint8_t> kNew = {'n', 'e', 'w', '\r', '\n'};

TEST_F(AtomicFileTest, ReplacesTheFileWholeAndLeavesNoTemporary) {
  const std::string path = dir_ + "/devnames.lst";
  const std::vector<std::uint8_t> first = {'a', '\r', '\n'};
  const std::vector<std::uint8_t> second = {'b', 'c', '\r', '\n'};
  WriteFileAtomically(path, first);
  EXPECT_EQ(ReadWholeFile(path), first);
  WriteFileAtomically(path, second);
  EXPECT_EQ(ReadWholeFile(path), second);
  WriteFileAtomically(path, {});
  EXPECT_TRUE(ReadWholeFile(path).empty());
  EXPECT_EQ(EntriesInDir(), 1);
  EXPECT_TRUE(FileExists(path));
}

TEST_F(AtomicFileTest, AFailedSaveReportsTheFileAndKeepsWhatWasThere) {
  // A directory where the file should go: the rename fails after the bytes were written.
  const std::string path = dir_ + "/patch.pat";
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  try {
    WriteFileAtomically(path, std::vector<std::uint8_t>{1, 2, 3});
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
  }
  EXPECT_EQ(EntriesInDir(), 1);  // the temporary file is gone again

  EXPECT_THROW(WriteFileAtomically(dir_ + "/missing/dir/file", std::vector<std::uint8_t>{1}),
               FileError);
  EXPECT_THROW(ReadWholeFile(dir_ + "/absent"), FileError);
  EXPECT_FALSE(FileExists(dir_ + "/absent"));
  EXPECT_FALSE(FileExists(path));  // a directory is not a file
}

TEST_F(AtomicFileTest, AFileTheUserMayNotWriteIsRefusedAndKeptAsItWas) {
  // Made by root before the user gets the directory: another user's file.
  const std::string foreign = dir_ + "/foreign.pat";
  const bool root = testing::RunningAsRoot();
  if (root) Put(foreign, "root's", 0644);
  testing::RunAsOrdinaryUser(dir_, [&] {
    struct Case {
      const char* name;
      mode_t mode;
    };
    for (const Case& c : {Case{"devnames.lst", 0444}, Case{"show.pat", 0555}}) {
      SCOPED_TRACE(c.name);
      const std::string path = dir_ + "/" + c.name;
      Put(path, "old", c.mode);
      try {
        WriteFileAtomically(path, kNew);
        ADD_FAILURE() << "no error";
      } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + path + ": Permission denied");
      }
      EXPECT_EQ(Text(path), "old");
      EXPECT_EQ(Stat(path).st_mode & 07777, c.mode);
    }
    if (root) {
      EXPECT_THROW(WriteFileAtomically(foreign, kNew), FileError);
      EXPECT_EQ(Text(foreign), "root's");
    }
    // Nothing of the refused saves is left beside the files.
    EXPECT_EQ(EntriesInDir(), root ? 3 : 2);
  });
}

TEST_F(AtomicFileTest, AReplacedFileKeepsItsModeOwnerAndGroup) {
  for (const mode_t mode : {0600, 0640, 0664, 0200}) {
    SCOPED_TRACE(mode);
    const std::string path = dir_ + "/devnames.lst";
    Put(path, "old", mode);
    WriteFileAtomically(path, kNew);
    EXPECT_EQ(Text(path), "new\r\n");
    EXPECT_EQ(Stat(path).st_mode & 07777, mode);
  }
  if (!testing::RunningAsRoot()) return;
  // Root saving a file that belongs to someone else leaves it theirs.
  const std::string theirs = dir_ + "/theirs.pat";
  Put(theirs, "old", 0640);
  ASSERT_EQ(::chown(theirs.c_str(), testing::kNobody, testing::kNobody), 0);
  WriteFileAtomically(theirs, kNew);
  EXPECT_EQ(Stat(theirs).st_uid, testing::kNobody);
  EXPECT_EQ(Stat(theirs).st_gid, testing::kNobody);
  EXPECT_EQ(Stat(theirs).st_mode & 07777, 0640u);
}

TEST_F(AtomicFileTest, ASaveRemovesTheTemporariesOfKilledSavesAndNothingElse) {
  const std::string path = dir_ + "/devnames.lst";
  Put(path, "old", 0644);
  const std::string stale = "devnames.lst.saving-Ab12Cd";
  const std::string busy = "devnames.lst.saving-Zz9Yy8";  // another save still writing it
  const std::vector<std::string> foreign = {
      "devnames.lst.saving-Ab12C", "devnames.lst.saving-Ab12Cd7", "devnames.lst.saving-Ab_2Cd",
      "devnames.lst.backup",       "devnames.lst.Ab12Cd",         "other.lst.saving-Ab12Cd",
      "devnames.lst.saving-dir012"};
  Put(dir_ + "/" + stale, std::string(1000, 'x'), 0600);
  Put(dir_ + "/" + busy, "half", 0600);
  for (const auto& name : foreign) {
    if (name.ends_with("dir012")) {
      ASSERT_EQ(::mkdir((dir_ + "/" + name).c_str(), 0700), 0);
    } else {
      Put(dir_ + "/" + name, "keep", 0600);
    }
  }
  ASSERT_EQ(::symlink("devnames.lst", (dir_ + "/devnames.lst.saving-Link00").c_str()), 0);
  const int held = ::open((dir_ + "/" + busy).c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  WriteFileAtomically(path, kNew);
  ::close(held);

  std::set<std::string> expected(foreign.begin(), foreign.end());
  expected.insert({"devnames.lst", busy, "devnames.lst.saving-Link00"});
  EXPECT_EQ(Names(), expected);
  EXPECT_EQ(Text(path), "new\r\n");
  EXPECT_EQ(Text(dir_ + "/devnames.lst.backup"), "keep");
}

}  // namespace
}  // namespace korval
