// The file of the per-user registry store: each key in brackets, then its
// values, one a line, texts quoted, integers as 32-bit hexadecimal:
//
//   [HKEY_CURRENT_USER\Software\Maker\Console]
//   "Port"="COM1"
//   "CustomBaudRate"=dword:00002580
//
// In quoted names and texts, \\ \" \r and \n stand for themselves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RegistryValue {
  std::string name;
  bool isInteger = false;
  std::string text;
  std::int32_t number = 0;
};

struct RegistryKey {
  std::string path;  // from the root's name: "HKEY_CURRENT_USER\Software"
  std::vector<RegistryValue> values;

  const RegistryValue* Find(const std::string& name) const;
  RegistryValue& Set(const std::string& name);  // the existing value or a new one
};

class RegistryFile {
 public:
  // Raises ERegistryException naming fileName and the line that is not understood.
  static RegistryFile Parse(const std::string& text, const std::string& fileName);
  std::string Text() const;

  const RegistryKey* Find(const std::string& path) const;
  bool Exists(const std::string& path) const;  // the key itself or a key below it
  RegistryKey& Create(const std::string& path);

 private:
  std::vector<RegistryKey> FKeys;
};
