#include "platform/runtime/IniFiles.h"

#include "platform/runtime/FileIO.h"
#include "platform/runtime/IniDocument.h"

namespace {

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

constexpr auto Trimmed = &IniDocument::Trim;

// Refuses what the file could not hold or would read back differently.
void CheckWritable(const std::string& section, const std::string& key, const std::string& value) {
  if (HasLineBreak(section) || section.find(']') != std::string::npos) {
    throw EIniFileException("Invalid ini section name '" + section + "'");
  }
  if (key.empty() || HasLineBreak(key) || key.find('=') != std::string::npos || key[0] == ';' ||
      key[0] == '#' || key[0] == '[') {
    throw EIniFileException("Invalid ini key name '" + key + "' in section '" + section + "'");
  }
  if (HasLineBreak(value)) {
    throw EIniFileException("Ini value for '" + key + "' in section '" + section +
                            "' contains a line break");
  }
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  std::string text;
  if (Trimmed(key).empty() || !FileIO::ReadAll(FileName(), text)) return defaultValue;
  return IniDocument(text).Find(Trimmed(section), Trimmed(key)).value_or(defaultValue);
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t defaultValue) const {
  const std::string value = ReadString(section, key, "");
  try {
    return StrToInt(value);
  } catch (const EConvertError&) {
    return defaultValue;
  }
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  const std::string s = Trimmed(section);
  const std::string k = Trimmed(key);
  CheckWritable(s, k, value);
  FileIO::Update(FileName(), [&](const std::string& old) {
    IniDocument document(old);
    document.Set(s, k, IniDocument::EncodeValue(value));
    return document.Text();
  });
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key,
                            std::int32_t value) {
  WriteString(section, key, IntToStr(value));
}
