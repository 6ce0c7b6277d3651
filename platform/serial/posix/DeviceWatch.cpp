// The device watch on Linux: one inotify watch on the folder that holds the
// port's path. A new entry, one renamed into place or one whose attributes
// change (the permissions a device manager gives a new node) under the
// path's name is a change. A folder that is missing (/dev/serial/by-id
// while no adapter is plugged in) is waited for from the nearest folder
// that exists, one level at a time.
#include "platform/serial/DeviceWatch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/serial/posix/PortNames.h"

namespace comm {

namespace {

std::string Parent(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class InotifyWatch final : public DeviceWatch {
 public:
  InotifyWatch(int fd, std::string path, std::function<void()> changed)
      : fd_(fd), path_(std::move(path)), changed_(std::move(changed)) {}
  ~InotifyWatch() override { ::close(fd_); }

  // Watches the nearest existing folder on the way to the path.
  std::int32_t Arm() {
    if (watch_ >= 0) ::inotify_rm_watch(fd_, watch_);
    watch_ = -1;
    std::string folder = Parent(path_);
    name_ = BaseName(path_);
    while (!IsFolder(folder) && folder != "/" && folder != ".") {
      name_ = BaseName(folder);
      folder = Parent(folder);
    }
    atPath_ = folder == Parent(path_);
    watch_ = ::inotify_add_watch(
        fd_, folder.c_str(),
        IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    return watch_ < 0 ? errno : 0;
  }

  int Descriptor() const override { return fd_; }

  void Dispatch() override {
    bool changed = false, rearm = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got <= 0) break;  // EAGAIN: all read
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        if (event->wd != watch_) continue;
        if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
          rearm = true;  // the folder itself went: wait further up
        } else if (event->len > 0 && name_ == event->name) {
          if (atPath_) {
            changed = true;
          } else {
            rearm = true;  // one folder nearer to the path exists now
          }
        }
      }
    }
    if (rearm) {
      Arm();
      // The path's folder may have come with the node already in it.
      struct stat info {};
      if (atPath_ && ::lstat(path_.c_str(), &info) == 0) changed = true;
    }
    if (changed) changed_();
  }

 private:
  int fd_;
  int watch_ = -1;
  std::string path_;
  std::string name_;     // the entry of the watched folder that leads to the path
  bool atPath_ = false;  // the watched folder is the path's own
  std::function<void()> changed_;
};

}  // namespace

std::unique_ptr<DeviceWatch> DeviceWatch::Start(const std::string& name,
                                                std::function<void()> changed,
                                                std::int32_t* error) {
  std::string path;
  if ((*error = posix::ResolvePortPath(name, &path)) != 0) return nullptr;
  const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) {
    *error = errno;
    return nullptr;
  }
  auto watch = std::make_unique<InotifyWatch>(fd, path, std::move(changed));
  if ((*error = watch->Arm()) != 0) return nullptr;
  return watch;
}

}  // namespace comm
