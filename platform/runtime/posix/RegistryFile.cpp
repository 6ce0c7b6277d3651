#include "platform/runtime/posix/RegistryFile.h"

#include <cstddef>

#include "platform/runtime/Registry.h"

namespace {

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

// Reads a quoted text starting at line[at] == '"'; at ends after the closing
// quote. False when the text is not well formed.
bool Unquote(const std::string& line, std::size_t& at, std::string& text) {
  if (at >= line.size() || line[at] != '"') return false;
  text.clear();
  for (++at; at < line.size(); ++at) {
    char c = line[at];
    if (c == '"') {
      ++at;
      return true;
    }
    if (c == '\\') {
      if (++at == line.size()) return false;
      switch (line[at]) {
        case '\\':
          c = '\\';
          break;
        case '"':
          c = '"';
          break;
        case 'r':
          c = '\r';
          break;
        case 'n':
          c = '\n';
          break;
        default:
          return false;
      }
    }
    text += c;
  }
  return false;
}

bool ParseDword(const std::string& digits, std::int32_t& number) {
  if (digits.empty() || digits.size() > 8) return false;
  std::uint32_t value = 0;
  for (char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  number = static_cast<std::int32_t>(value);
  return true;
}

bool ParseValue(const std::string& line, RegistryValue& value) {
  std::size_t at = 0;
  if (!Unquote(line, at, value.name) || at >= line.size() || line[at] != '=') return false;
  ++at;
  static const std::string kDword = "dword:";
  if (line.compare(at, kDword.size(), kDword) == 0) {
    value.isInteger = true;
    return ParseDword(line.substr(at + kDword.size()), value.number);
  }
  value.isInteger = false;
  return Unquote(line, at, value.text) && at == line.size();
}

// Paths and names are compared ignoring letter case.
bool IsBelow(const std::string& path, const std::string& parent) {
  return path.size() > parent.size() && path[parent.size()] == '\\' &&
         SameText(path.substr(0, parent.size()), parent);
}

}  // namespace

const RegistryValue* RegistryKey::Find(const std::string& name) const {
  for (const RegistryValue& value : values) {
    if (SameText(value.name, name)) return &value;
  }
  return nullptr;
}

RegistryValue& RegistryKey::Set(const std::string& name) {
  for (RegistryValue& value : values) {
    if (SameText(value.name, name)) return value;
  }
  RegistryValue& value = values.emplace_back();
  value.name = name;
  return value;
}

RegistryFile RegistryFile::Parse(const std::string& text, const std::string& fileName) {
  RegistryFile file;
  std::size_t start = 0;
  int number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.back() == ']') {
      file.FKeys.push_back(RegistryKey{line.substr(1, line.size() - 2), {}});
      continue;
    }
    RegistryValue value;
    if (file.FKeys.empty() || !ParseValue(line, value)) {
      throw ERegistryException("Settings store '" + fileName + "' is damaged at line " +
                               IntToStr(number) + ": " + line);
    }
    file.FKeys.back().values.push_back(std::move(value));
  }
  return file;
}

std::string RegistryFile::Text() const {
  std::string text = "; Settings store: keys in brackets, then their values\n";
  for (const RegistryKey& key : FKeys) {
    text += "\n[" + key.path + "]\n";
    for (const RegistryValue& value : key.values) {
      text += Quote(value.name) + "=";
      text += value.isInteger ? "dword:" + IntToHex(static_cast<std::uint32_t>(value.number), 8)
                              : Quote(value.text);
      text += "\n";
    }
  }
  return text;
}

const RegistryKey* RegistryFile::Find(const std::string& path) const {
  for (const RegistryKey& key : FKeys) {
    if (SameText(key.path, path)) return &key;
  }
  return nullptr;
}

bool RegistryFile::Exists(const std::string& path) const {
  for (const RegistryKey& key : FKeys) {
    if (SameText(key.path, path) || IsBelow(key.path, path)) return true;
  }
  return false;
}

RegistryKey& RegistryFile::Create(const std::string& path) {
  for (RegistryKey& key : FKeys) {
    if (SameText(key.path, path)) return key;
  }
  FKeys.push_back(RegistryKey{path, {}});
  return FKeys.back();
}
