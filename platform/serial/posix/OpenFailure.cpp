// The causes of a failed open on Linux, from the error number and what the
// file system and /proc tell about the path: who holds a busy port (its
// lock in /proc/locks, or an open descriptor under /proc/PID/fd), which
// group may open a port the user may not.
#include "platform/serial/OpenFailure.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/serial/CommDevice.h"
#include "platform/serial/posix/PortNames.h"

namespace comm {

namespace {

std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// "minicom (process 4711)", or "this program" for the calling process.
std::string ProcessName(long pid) {
  if (pid == static_cast<long>(::getpid())) return "this program";
  std::string name = ReadFirstLine("/proc/" + std::to_string(pid) + "/comm");
  if (name.empty()) name = "a program";
  return "another program: " + name + " (process " + std::to_string(pid) + ")";
}

// The process holding a lock on the file (st_dev, st_ino), from /proc/locks:
// "1: FLOCK  ADVISORY  WRITE 4711 00:05:83 0 EOF"; 0 if there is none.
long LockHolder(const struct stat& file) {
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string id, kind, advisory, access, device;
    long pid = 0;
    if (!(fields >> id >> kind) || kind == "->") continue;  // a waiter, not a holder
    if (!(fields >> advisory >> access >> pid >> device)) continue;
    unsigned major = 0, minor = 0;
    unsigned long inode = 0;
    if (std::sscanf(device.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3) continue;
    if (major == ::major(file.st_dev) && minor == ::minor(file.st_dev) && inode == file.st_ino) {
      return pid;
    }
  }
  return 0;
}

// A process with a descriptor open on the path (as far as this user may
// look); 0 if none is found.
long DescriptorHolder(const std::string& path) {
  char real[PATH_MAX];
  if (::realpath(path.c_str(), real) == nullptr) return 0;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return 0;
  long found = 0;
  while (const dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    const std::string fds = "/proc/" + std::string(entry->d_name) + "/fd";
    DIR* dir = ::opendir(fds.c_str());
    if (dir == nullptr) continue;
    while (const dirent* fd = ::readdir(dir)) {
      char target[PATH_MAX];
      const ssize_t length =
          ::readlink((fds + "/" + fd->d_name).c_str(), target, sizeof target - 1);
      if (length > 0 && std::string(target, static_cast<std::size_t>(length)) == real) {
        found = pid;
        break;
      }
    }
    ::closedir(dir);
    if (found != 0) break;
  }
  ::closedir(proc);
  return found;
}

std::string Busy(const std::string& path) {
  struct stat file {};
  if (::stat(path.c_str(), &file) == 0) {
    long holder = LockHolder(file);
    if (holder == 0) holder = DescriptorHolder(path);
    if (holder != 0) return path + " is in use by " + ProcessName(holder);
  }
  return path + " is in use by another program";
}

std::string Missing(const std::string& path) {
  char target[PATH_MAX];
  const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
  if (length > 0) {
    return path + " points to " + std::string(target, static_cast<std::size_t>(length)) +
           ", which does not exist: the device is not connected";
  }
  return path + " does not exist: the device is not connected, or the port name is wrong";
}

std::string NotSerial(const std::string& path) {
  struct stat file {};
  if (::stat(path.c_str(), &file) != 0) return path + " is not a serial device";
  if (S_ISDIR(file.st_mode)) return path + " is a folder, not a serial device";
  if (S_ISREG(file.st_mode)) return path + " is a file, not a serial device";
  return path + " is a device, but not a serial one";
}

std::string ModeText(mode_t mode) {
  std::string text = S_ISCHR(mode) ? "c" : "-";
  const char* letters = "rwx";
  for (int shift = 8; shift >= 0; --shift) {
    text += (mode & (1u << shift)) ? letters[(8 - shift) % 3] : '-';
  }
  return text;
}

// Whether the user's entry in the group database names the group (which a
// session started before the user was added does not have yet).
bool UserListedInGroup(const passwd& user, gid_t group) {
  int count = 64;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  while (::getgrouplist(user.pw_name, user.pw_gid, groups.data(), &count) < 0) {
    groups.resize(static_cast<std::size_t>(count));
  }
  groups.resize(static_cast<std::size_t>(count));
  return std::find(groups.begin(), groups.end(), group) != groups.end();
}

std::string NoPermission(const std::string& path) {
  struct stat file {};
  if (::stat(path.c_str(), &file) != 0) return "no permission to reach " + path;
  const group* owners = ::getgrgid(file.st_gid);
  const std::string groupName = owners ? owners->gr_name : std::to_string(file.st_gid);
  const passwd* owner = ::getpwuid(file.st_uid);
  std::string cause = "no permission to open " + path + " (owner " +
                      (owner ? owner->pw_name : std::to_string(file.st_uid)) + ", group " +
                      groupName + ", " + ModeText(file.st_mode) + ")";
  const bool groupMayUse = (file.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  const passwd* user = ::getpwuid(::geteuid());
  if (!groupMayUse || file.st_gid == 0 || user == nullptr) {
    return cause + ": ask the administrator for read and write access to it";
  }
  const std::string name = user->pw_name;
  if (UserListedInGroup(*user, file.st_gid)) {
    return cause + ": " + name + " is in the group " + groupName +
           ", but this session began before that; log out and in again";
  }
  return cause + ": add " + name + " to the group " + groupName + " (sudo adduser " + name + " " +
         groupName + "), then log out and in again";
}

}  // namespace

std::string SystemOpenFailureCause(const std::string& name, std::int32_t error) {
  std::string path;
  if (posix::ResolvePortPath(name, &path) != 0) {
    return name.empty() ? std::string("no port name was given") : name + " leads out of /dev";
  }
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return Missing(path);
    case ELOOP:
      return path + " is a loop of symbolic links, not a serial device";
    case EISDIR:
    case ENOTTY:
      return NotSerial(path);
    case EBUSY:
      return Busy(path);
    case EACCES:
    case EPERM:
      return NoPermission(path);
    case EIO:
    case ENXIO:
    case ENODEV:
      return path + " exists, but no device answers behind it";
    default:
      return path + ": " + SystemErrorText(error);
  }
}

}  // namespace comm
