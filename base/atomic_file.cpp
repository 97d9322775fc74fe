#include "base/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "base/errors.h"

namespace korval {

namespace {

// Our temporaries are "<target>.saving-" plus six random letters or digits, so
// that a clean-up can tell them from anything the operator keeps beside it.
constexpr const char* kTemporaryMark = ".saving-";
constexpr std::size_t kTemporaryRandom = 6;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw FileError(what + " " + path + ": " + std::strerror(error));
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsOurTemporary(std::string_view name, std::string_view prefix) {
  if (name.size() != prefix.size() + kTemporaryRandom || !name.starts_with(prefix)) return false;
  for (const char c : name.substr(prefix.size())) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

// A save that was killed leaves its temporary behind. Every save holds a lock
// on its temporary until the rename is done, and the system drops the lock of a
// process that died, so a temporary whose lock can be taken is left over and
// goes; one that another save is still writing stays.
void RemoveStaleTemporaries(const std::string& path) {
  DIR* dir = ::opendir(DirectoryOf(path).c_str());
  if (dir == nullptr) return;
  const std::string prefix = BaseNameOf(path) + kTemporaryMark;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsOurTemporary(entry->d_name, prefix)) continue;
    const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::close(fd);
  }
  ::closedir(dir);
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  // The rename below would replace a file whatever its own permissions say, so
  // the user's right to write the existing file is asked first.
  struct stat target {};
  const bool exists = ::stat(path.c_str(), &target) == 0;
  if (exists && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    Fail("Cannot create file", path, errno);
  }
  RemoveStaleTemporaries(path);

  std::string temp = path + kTemporaryMark + std::string(kTemporaryRandom, 'X');
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) Fail("Cannot create file", path, errno);
  ::flock(fd, LOCK_EX);

  auto abandon = [&](const char* what) {
    const int error = errno;
    ::unlink(temp.c_str());
    ::close(fd);
    Fail(what, path, error);
  };
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) abandon("Cannot write file");
    done += static_cast<std::size_t>(n);
  }
  if (exists && S_ISREG(target.st_mode)) {
    // The new file takes the place of the old one with its mode, and with its
    // owner and group as far as the user may give them.
    struct stat made {};
    if (::fstat(fd, &made) == 0 && (made.st_uid != target.st_uid || made.st_gid != target.st_gid)) {
      if (::fchown(fd, target.st_uid, target.st_gid) != 0) {
        [[maybe_unused]] const int rc = ::fchown(fd, static_cast<uid_t>(-1), target.st_gid);
      }
    }
    ::fchmod(fd, target.st_mode & 07777);
  } else {
    // mkstemp creates 0600; a new file is as readable as any file the user makes.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  if (::fsync(fd) != 0) abandon("Cannot write file");
  if (::rename(temp.c_str(), path.c_str()) != 0) abandon("Cannot create file");
  // The lock is held up to here, so that no clean-up takes the file mid-save.
  ::close(fd);
  // Make the rename itself durable.
  const int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) Fail("Cannot open file", path, errno);
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[8192];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      Fail("Cannot read file", path, error);
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  ::close(fd);
  return bytes;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace korval
