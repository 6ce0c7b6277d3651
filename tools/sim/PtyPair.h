// The simulator's pseudo-terminal: the master end it serves, and its own
// descriptor on the slave end. Holding the slave open keeps the pair up
// while no one else has it open, so a console that closes the port and opens
// it again is served again, and the master never reports a hang-up that
// would make a wait loop spin.
#pragma once

#include <string>

#include "console/simulator/LineTime.h"
#include "platform/runtime/SysUtils.h"

// A failed system call: the call's name, its error text and number.
class ESystemError : public Exception {
 public:
  ESystemError(const std::string& what, int error);
  int ErrorCode() const { return FErrorCode; }

 private:
  int FErrorCode;
};

class TPtyPair {
 public:
  // Opens the pair, non-blocking master, raw slave at 9600 bit/s 8N1 (what a
  // terminal would otherwise echo or translate goes through untouched).
  // Raises ESystemError.
  TPtyPair();
  ~TPtyPair();
  TPtyPair(const TPtyPair&) = delete;
  TPtyPair& operator=(const TPtyPair&) = delete;

  int Master() const { return FMaster; }
  const std::string& SlavePath() const { return FSlavePath; }
  // The line format the program on the slave end set (the master sees the
  // slave's settings); the dispenser's when they cannot be read.
  TLineFormat ProgramFormat() const;

 private:
  int FMaster = -1;
  int FSlave = -1;
  std::string FSlavePath;
};

// A symbolic link to the slave end, removed when it goes, if it still points
// there. A symbolic link already at the path is replaced; any other file
// there is refused (ESystemError with EEXIST).
class TSlaveLink {
 public:
  TSlaveLink(std::string path, const std::string& target);
  ~TSlaveLink();
  TSlaveLink(const TSlaveLink&) = delete;
  TSlaveLink& operator=(const TSlaveLink&) = delete;

 private:
  std::string FPath;
  std::string FTarget;
};
