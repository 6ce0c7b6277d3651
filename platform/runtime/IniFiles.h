// A plain Windows-style ini file: "[Section]" and "Key=Value" lines. Values
// are written exactly as given; sections and keys match ignoring letter
// case; CRLF and LF files are read; writing keeps every other section, key
// and comment and replaces the file atomically. Every write goes to the file
// at once.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/Classes.h"

class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(std::string fileName) : FFileName(std::move(fileName)) {}
  std::string ClassName() const override { return "TCustomIniFile"; }
  const std::string& FileName() const { return FFileName; }

  // A missing key gives the default; so does an integer that does not parse.
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

class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(std::string fileName);
  std::string ClassName() const override { return "TIniFile"; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const override;
  std::int32_t ReadInteger(const std::string& section, const std::string& key,
                           std::int32_t defaultValue) const override;
  // A file that cannot be written raises Exception naming the file and the reason.
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  void WriteInteger(const std::string& section, const std::string& key,
                    std::int32_t value) override;
};
