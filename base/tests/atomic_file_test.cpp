#include "base/atomic_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/errors.h"

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
  std::string dir_;
};

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

}  // namespace
}  // namespace korval
