#include "platform/runtime/UserFolders.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "platform/runtime/SysUtils.h"

namespace {

// The variable's value as UTF-8 (the folder may hold any user name).
std::string Utf8Variable(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  if (value == nullptr || value[0] == L'\0') return {};
  const int length = static_cast<int>(std::wcslen(value));
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, value, length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, value, length, text.data(), size, nullptr, nullptr);
  return text;
}

}  // namespace

std::string UserStateFolder() {
  const std::string local = Utf8Variable(L"LOCALAPPDATA");
  if (!local.empty()) return local + "\\dispenser-console";
  throw Exception("No place for the session logs: LOCALAPPDATA is not set");
}
