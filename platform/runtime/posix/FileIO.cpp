#include "platform/runtime/FileIO.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace FileIO {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, const char* call) {
  const int error = errno;
  throw EFileError("Cannot " + what + " '" + path + "': " + call + ": " + std::strerror(error) +
                       " (" + IntToStr(error) + ")",
                   error);
}

// Closes the descriptor when the scope ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : FFd(fd) {}
  ~Descriptor() {
    if (FFd >= 0) ::close(FFd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return FFd; }
  int Release() {
    const int fd = FFd;
    FFd = -1;
    return fd;
  }

 private:
  int FFd;
};

// The file a path names, through symbolic links; the path itself when it
// does not exist yet.
std::string Resolve(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  return path;
}

void WriteAllTo(int fd, const std::string& contents, const std::string& path) {
  const char* data = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write", path, "write");
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
}

void ReplaceLocked(const std::string& path, const std::string& contents, int directoryFd) {
  static std::atomic<unsigned> counter{0};
  const std::string directory = DirectoryOf(path);
  const std::string base = path.substr(path.find_last_of('/') + 1);
  std::string temporary;
  int fd = -1;
  for (;;) {
    temporary = directory + "/." + base + ".tmp-" + IntToStr(::getpid()) + "-" +
                IntToStr(counter.fetch_add(1));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) break;
    if (errno != EEXIST) Fail("write", path, "open");
  }
  Descriptor file(fd);
  try {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && ::fchmod(fd, existing.st_mode & 07777) != 0) {
      Fail("write", path, "fchmod");
    }
    WriteAllTo(fd, contents, path);
    if (::fsync(fd) != 0) Fail("write", path, "fsync");
    if (::close(file.Release()) != 0) Fail("write", path, "close");
    if (::rename(temporary.c_str(), path.c_str()) != 0) Fail("write", path, "rename");
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  // The rename itself reaches the disk with the directory.
  if (::fsync(directoryFd) != 0 && errno != EINVAL) Fail("write", path, "fsync of the directory");
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool ReadAll(const std::string& path, std::string& contents) {
  contents.clear();
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) {
    if (errno == ENOENT) return false;
    Fail("read", path, "open");
  }
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("read", path, "read");
    }
    if (n == 0) return true;
    contents.append(buffer, static_cast<std::size_t>(n));
  }
}

void Update(const std::string& path, const std::function<std::string(const std::string&)>& change) {
  const std::string target = Resolve(path);
  Descriptor directory(::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Get() < 0) Fail("write", path, "open of the directory");
  while (::flock(directory.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) Fail("write", path, "flock");
  }
  // The lock goes with the descriptor.
  std::string old;
  const bool existed = ReadAll(target, old);
  const std::string updated = change(old);
  if (existed && updated == old) return;
  ReplaceLocked(target, updated, directory.Get());
}

void MakeDirectories(const std::string& path) {
  if (path.empty()) return;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return;
    errno = ENOTDIR;
    Fail("create the directory", path, "mkdir");
  }
  const std::string parent = DirectoryOf(path);
  if (parent != path) MakeDirectories(parent);
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    Fail("create the directory", path, "mkdir");
  }
}

}  // namespace FileIO
