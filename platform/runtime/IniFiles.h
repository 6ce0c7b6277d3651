// A plain Windows-style ini file: "[Section]" and "Key=Value" lines. Values
// are written exactly as given; sections and keys match ignoring letter
// case; CRLF and LF files are read; writing keeps every other section, key
// and comment and replaces the file atomically. Every write goes to the file
// at once, and every read looks at the file as it is now.
//
// Reading follows the Windows rules, so files from other programs read the
// same: blanks around a key and its value do not count, and a value in
// double quotes ("  a ") loses the quotes. Lines starting with ';' or '#' are
// comments. A value whose own blanks at either end, or own enclosing quotes,
// would be lost that way is the one value written in quotes, so that it
// reads back exactly.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/Classes.h"

// A section, key or value that an ini file cannot hold (a line break, a key
// with '=', an empty key, a section with ']').
class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

// A store of texts and integers by section and key, as ini files hold them.
class TCustomIniFile : public TObject {
 public:
  // The store of the named file (read and written only by the calls below).
  explicit TCustomIniFile(std::string fileName) : FFileName(std::move(fileName)) {}
  std::string ClassName() const override { return "TCustomIniFile"; }
  // The file's name as given.
  const std::string& FileName() const { return FFileName; }

  // A missing key gives the default; so does an integer that does not parse
  // (decimal, 32 bits). A missing file reads as empty; a file that cannot be
  // read raises EFileError.
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const = 0;
  virtual std::int32_t ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t defaultValue) const = 0;
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
  virtual void WriteInteger(const std::string& section, const std::string& key,
                            std::int32_t value) = 0;

 private:
  std::string FFileName;
};

// The ini file on disk, read and written at each call.
class TIniFile : public TCustomIniFile {
 public:
  // The file of that name; it need not exist yet.
  explicit TIniFile(std::string fileName);
  std::string ClassName() const override { return "TIniFile"; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const override;
  std::int32_t ReadInteger(const std::string& section, const std::string& key,
                           std::int32_t defaultValue) const override;
  // A file that cannot be written raises EFileError naming the file, the
  // failing call and the system error; a name or value the format cannot
  // hold raises EIniFileException. Either way the file stays as it was.
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  void WriteInteger(const std::string& section, const std::string& key,
                    std::int32_t value) override;
};
