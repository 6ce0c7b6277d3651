// Whole-file reads and atomic replacement for the stores: a file is never
// seen half written, and concurrent updates (threads or processes) of files
// in one directory do not lose each other's changes. One implementation per
// operating system (posix/, win32/).
#pragma once

#include <functional>
#include <string>

#include "platform/runtime/SysUtils.h"

// A file operation the system refused: names the file and the failing call,
// and carries the system's error number.
class EFileError : public Exception {
 public:
  EFileError(std::string message, int systemError)
      : Exception(std::move(message)), FSystemError(systemError) {}
  int SystemError() const { return FSystemError; }

 private:
  int FSystemError;
};

namespace FileIO {

// The whole file into contents; false (contents empty) when it does not
// exist. Any other failure raises EFileError.
bool ReadAll(const std::string& path, std::string& contents);

// Read, change, replace, under a lock that every Update of a file in the
// same directory takes. change receives the current contents (empty when the
// file does not exist) and returns the new ones; if it raises, the file is
// left alone. The new contents go to a temporary file in the same directory,
// are flushed to the disk and then renamed over the file, so a crash leaves
// either the old or the new file, never a mix. A symbolic link is followed:
// the file it names is replaced. An existing file keeps its permissions.
void Update(const std::string& path, const std::function<std::string(const std::string&)>& change);

// Creates the directory and its missing parents (new ones private to the user).
void MakeDirectories(const std::string& path);

// The directory part of a path ("." when it has none).
std::string DirectoryOf(const std::string& path);

}  // namespace FileIO
