// Files on Windows. Updates of files in one directory are serialised by a
// named mutex of the session, derived from the directory's full path, and a
// file is replaced with ReplaceFile, which keeps the old file's attributes and
// security, or moved into place when it is new.
#include "platform/runtime/FileIO.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "platform/runtime/win32/SystemMessage.h"

namespace FileIO {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, const char* call,
                       DWORD error) {
  throw EFileError("Cannot " + what + " '" + path + "': " + call + ": " + SystemMessage(error) +
                       " (" + IntToStr(static_cast<int>(error)) + ")",
                   static_cast<int>(error));
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, const char* call) {
  Fail(what, path, call, ::GetLastError());
}

// Closes the handle when the scope ends.
class Handle {
 public:
  explicit Handle(HANDLE handle) : FHandle(handle) {}
  ~Handle() {
    if (Valid()) ::CloseHandle(FHandle);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }
  HANDLE Get() const { return FHandle; }
  HANDLE Release() {
    const HANDLE handle = FHandle;
    FHandle = INVALID_HANDLE_VALUE;
    return handle;
  }

 private:
  HANDLE FHandle;
};

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH * 4];
  const DWORD n = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  return n == 0 || n >= sizeof buffer ? path : std::string(buffer, n);
}

// The full path of the file a path names, through symbolic links (the
// replacing calls are given full paths: Wine's ReplaceFileA fails on
// relative ones).
std::string Resolve(const std::string& path) {
  Handle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.Valid()) return FullPath(path);
  char buffer[MAX_PATH * 4];
  const DWORD n = ::GetFinalPathNameByHandleA(file.Get(), buffer, sizeof buffer,
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0 || n >= sizeof buffer) return FullPath(path);
  const std::string final(buffer, n);
  // "\\?\C:\dir\file" and "\\?\UNC\server\share\file" in their usual forms.
  if (final.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + final.substr(8);
  if (final.rfind("\\\\?\\", 0) == 0) return final.substr(4);
  return final;
}

// Held while one Update of a file in the directory runs, by any thread of
// any process of the session. A holder that died leaves the mutex abandoned,
// and the next one takes it: the file itself was replaced whole or not at all.
class DirectoryLock {
 public:
  DirectoryLock(const std::string& directory, const std::string& path)
      : FMutex(::CreateMutexA(nullptr, FALSE, MutexName(directory).c_str())) {
    if (!FMutex.Valid()) Fail("write", path, "CreateMutexA");
    if (::WaitForSingleObject(FMutex.Get(), INFINITE) == WAIT_FAILED) {
      Fail("write", path, "WaitForSingleObject");
    }
  }
  ~DirectoryLock() { ::ReleaseMutex(FMutex.Get()); }
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

 private:
  // Paths compare ignoring letter case; a mutex name may hold no backslash.
  static std::string MutexName(const std::string& directory) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : FullPath(directory)) {
      if (c == '/') c = '\\';
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return "Local\\DispenserConsole.FileUpdate." +
           IntToHex(static_cast<std::uint32_t>(hash >> 32), 8) +
           IntToHex(static_cast<std::uint32_t>(hash), 8);
  }

  Handle FMutex;
};

void WriteAllTo(HANDLE file, const std::string& contents, const std::string& path) {
  const char* data = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr)) Fail("write", path, "WriteFile");
    data += written;
    left -= written;
  }
}

// Moves the finished temporary file over the target. Another program that
// reads the target without sharing deletion holds the replacement off for a
// moment: that is waited out, up to about a second.
void MoveIntoPlace(const std::string& temporary, const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    const char* call = "ReplaceFileA";
    BOOL done = ::ReplaceFileA(path.c_str(), temporary.c_str(), nullptr,
                               REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    DWORD error = done ? 0 : ::GetLastError();
    if (!done && error == ERROR_FILE_NOT_FOUND) {  // no file yet: the new one moves in
      call = "MoveFileExA";
      done = ::MoveFileExA(temporary.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
      error = done ? 0 : ::GetLastError();
    }
    if (done) return;
    const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                      error == ERROR_UNABLE_TO_REMOVE_REPLACED;
    if (!busy || attempt == 50) Fail("write", path, call, error);
    ::Sleep(20);
  }
}

void ReplaceLocked(const std::string& path, const std::string& contents) {
  static std::atomic<unsigned> counter{0};
  const std::string directory = DirectoryOf(path);
  std::size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  const std::string base = path.substr(cut);
  std::string temporary;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (;;) {
    temporary = directory + "\\." + base + ".tmp-" +
                IntToStr(static_cast<int>(::GetCurrentProcessId())) + "-" +
                IntToStr(static_cast<int>(counter.fetch_add(1)));
    created = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created != INVALID_HANDLE_VALUE) break;
    if (::GetLastError() != ERROR_FILE_EXISTS) Fail("write", path, "CreateFileA");
  }
  Handle file(created);
  try {
    WriteAllTo(file.Get(), contents, path);
    if (!::FlushFileBuffers(file.Get())) Fail("write", path, "FlushFileBuffers");
    if (!::CloseHandle(file.Release())) Fail("write", path, "CloseHandle");
    MoveIntoPlace(temporary, path);
  } catch (...) {
    if (file.Valid()) ::CloseHandle(file.Release());
    ::DeleteFileA(temporary.c_str());
    throw;
  }
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.size();
  while (slash > 0 && !IsSeparator(path[slash - 1])) --slash;
  if (slash == 0) return ".";
  --slash;                                                     // at the separator
  if (slash == 0) return path.substr(0, 1);                    // "\file"
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);  // "C:\file"
  return path.substr(0, slash);
}

bool ReadAll(const std::string& path, std::string& contents) {
  contents.clear();
  // Shared for deletion too, so that a writer can replace the file meanwhile.
  Handle file(::CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    Fail("read", path, "CreateFileA", error);
  }
  char buffer[8192];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr)) Fail("read", path, "ReadFile");
    if (n == 0) return true;
    contents.append(buffer, n);
  }
}

void Update(const std::string& path, const std::function<std::string(const std::string&)>& change) {
  const std::string target = Resolve(path);
  const DirectoryLock lock(DirectoryOf(target), path);
  std::string old;
  const bool existed = ReadAll(target, old);
  const std::string updated = change(old);
  if (existed && updated == old) return;
  ReplaceLocked(target, updated);
}

void MakeDirectories(const std::string& path) {
  if (path.empty()) return;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return;
    Fail("create the directory", path, "CreateDirectoryA", ERROR_DIRECTORY);
  }
  const std::string parent = DirectoryOf(path);
  if (parent != path && parent != ".") MakeDirectories(parent);
  if (!::CreateDirectoryA(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    Fail("create the directory", path, "CreateDirectoryA");
  }
}

}  // namespace FileIO
