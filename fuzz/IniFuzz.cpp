// An ini file's text as the ini store reads it, and a value written into it
// as the store writes one. The text survives being read and written again;
// a value the store accepts reads back exactly, also after the document went
// through its text; no other key changes its value.
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/runtime/IniDocument.h"
#include "platform/runtime/SysUtils.h"

namespace {

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

// What TIniFile::WriteString accepts, its names trimmed as it trims them.
bool Writable(const std::string& section, const std::string& key, const std::string& value) {
  return !HasLineBreak(section) && section.find(']') == std::string::npos && !key.empty() &&
         !HasLineBreak(key) && key.find('=') == std::string::npos && key[0] != ';' &&
         key[0] != '#' && key[0] != '[' && !HasLineBreak(value);
}

struct Probe {
  std::string section, key;
  std::optional<std::string> value;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader input(data, size);
  const std::string section = IniDocument::Trim(input.Text(24));
  const std::string key = IniDocument::Trim(input.Text(24));
  const std::string value = input.Text(48);
  std::vector<Probe> probes;
  for (int i = input.Byte() % 4; i > 0; --i) {
    probes.push_back({IniDocument::Trim(input.Text(24)), IniDocument::Trim(input.Text(24)), {}});
  }
  const auto rest = input.Rest();
  IniDocument document(std::string(rest.begin(), rest.end()));

  const std::string text = document.Text();
  FUZZ_CHECK(IniDocument(text).Text() == text);
  for (Probe& probe : probes) {
    probe.value = document.Find(probe.section, probe.key);
    FUZZ_CHECK(IniDocument(text).Find(probe.section, probe.key) == probe.value);
  }

  if (!Writable(section, key, value)) return 0;
  document.Set(section, key, IniDocument::EncodeValue(value));
  FUZZ_CHECK(document.Find(section, key) == value);
  const IniDocument reread(document.Text());
  FUZZ_CHECK(reread.Find(section, key) == value);
  for (const Probe& probe : probes) {
    if (SameText(probe.section, section) && SameText(probe.key, key)) continue;
    FUZZ_CHECK(reread.Find(probe.section, probe.key) == probe.value);
  }
  return 0;
}
