// The text of an ini file as lines, with lookups and in-place changes that
// leave every other line as it was. Internal to TIniFile.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class IniDocument {
 public:
  // Splits text into lines; CRLF or LF, a leading UTF-8 byte order mark kept.
  explicit IniDocument(const std::string& text);
  // The text again, with the line ending the file used (LF for a new file)
  // and a final line ending.
  std::string Text() const;

  // The stored value of section/key as it reads (blanks and one pair of
  // enclosing quotes removed), or nothing.
  std::optional<std::string> Find(const std::string& section, const std::string& key) const;
  // Sets section/key to value: the existing line is rewritten, or a line is
  // added at the end of the section, or the section is added at the end.
  // value is already encoded (see EncodeValue).
  void Set(const std::string& section, const std::string& key, const std::string& value);

  // The line form of a value that reads back as exactly value.
  static std::string EncodeValue(const std::string& value);
  // text without the blanks (spaces, tabs) at either end.
  static std::string Trim(const std::string& text);

 private:
  struct Range {
    std::size_t begin;  // first line after the header
    std::size_t end;    // the next header, or the end
  };
  std::optional<Range> FindSection(const std::string& section) const;
  std::optional<std::size_t> FindKey(const Range& range, const std::string& key) const;

  std::string FBom;
  std::string FLineEnd = "\n";
  std::vector<std::string> FLines;
};
