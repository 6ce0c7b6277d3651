#include "platform/runtime/IniDocument.h"

#include "platform/runtime/SysUtils.h"

std::string IniDocument::Trim(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
  while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
  return text.substr(first, last - first);
}

namespace {

constexpr auto Trim = &IniDocument::Trim;

constexpr char kBom[] = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsComment(const std::string& trimmed) {
  return !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#');
}

// The section a header line names, or nothing for any other line.
std::optional<std::string> HeaderName(const std::string& line) {
  const std::string trimmed = Trim(line);
  if (trimmed.empty() || trimmed[0] != '[') return std::nullopt;
  const std::size_t close = trimmed.find(']');
  return Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

// Where a key line's '=' is, or npos for a line that holds no key.
std::size_t KeyEnd(const std::string& line) {
  const std::string trimmed = Trim(line);
  if (trimmed.empty() || IsComment(trimmed) || trimmed[0] == '[') return std::string::npos;
  return line.find('=');
}

std::string DecodeValue(const std::string& raw) {
  std::string value = Trim(raw);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

IniDocument::IniDocument(const std::string& text) {
  std::size_t start = 0;
  if (text.compare(0, 3, kBom) == 0) {
    FBom = kBom;
    start = 3;
  }
  bool sawCrLf = false;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    std::string line = text.substr(start, end - start);
    // Carriage returns before the line's end belong to the ending: a line
    // that kept one would read differently once written with either ending.
    while (!line.empty() && line.back() == '\r') {
      line.pop_back();
      sawCrLf = sawCrLf || !last;
    }
    FLines.push_back(std::move(line));
    start = end + 1;
  }
  if (sawCrLf) FLineEnd = "\r\n";
}

std::string IniDocument::Text() const {
  std::string text = FBom;
  for (const std::string& line : FLines) text += line + FLineEnd;
  return text;
}

std::optional<IniDocument::Range> IniDocument::FindSection(const std::string& section) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    const auto name = HeaderName(FLines[i]);
    if (!name || !SameText(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < FLines.size() && !HeaderName(FLines[end])) ++end;
    return Range{i + 1, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> IniDocument::FindKey(const Range& range, const std::string& key) const {
  for (std::size_t i = range.begin; i < range.end; ++i) {
    const std::size_t equals = KeyEnd(FLines[i]);
    if (equals != std::string::npos && SameText(Trim(FLines[i].substr(0, equals)), key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::Find(const std::string& section,
                                             const std::string& key) const {
  const auto range = FindSection(section);
  if (!range) return std::nullopt;
  const auto line = FindKey(*range, key);
  if (!line) return std::nullopt;
  return DecodeValue(FLines[*line].substr(KeyEnd(FLines[*line]) + 1));
}

void IniDocument::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
  const auto range = FindSection(section);
  if (!range) {
    if (!FLines.empty() && !Trim(FLines.back()).empty()) FLines.emplace_back();
    FLines.push_back("[" + section + "]");
    FLines.push_back(key + "=" + value);
    return;
  }
  if (const auto line = FindKey(*range, key)) {
    // Keep the key as spelt and the blanks after '=' as laid out.
    std::string& text = FLines[*line];
    std::size_t valueStart = KeyEnd(text) + 1;
    while (valueStart < text.size() && IsBlank(text[valueStart])) ++valueStart;
    text = text.substr(0, valueStart) + value;
    return;
  }
  // After the section's last non-blank line, so blank separators stay before the next one.
  std::size_t at = range->end;
  while (at > range->begin && Trim(FLines[at - 1]).empty()) --at;
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + value);
}

std::string IniDocument::EncodeValue(const std::string& value) {
  const bool blankAtEnds = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  return blankAtEnds || quoted ? "\"" + value + "\"" : value;
}
