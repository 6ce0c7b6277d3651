// The serial ports of a Windows machine: the values of the registry's serial
// device map, each value's data a port name ("COM3"), its name the driver's
// device ("\Device\Serial2").
#include "platform/serial/PortList.h"

#include <windows.h>

#include <cstring>
#include <string_view>

namespace comm {

namespace {

constexpr DWORD kBufferSize = 256;  // value name and data alike

// "HKEY_LOCAL_MACHINE\rest" (or HKLM, HKEY_CURRENT_USER, HKCU) as its root
// and the path below it; false for any other root.
bool SplitSource(const std::string& source, HKEY* root, std::string* path) {
  const std::size_t slash = source.find('\\');
  const std::string_view head = std::string_view(source).substr(0, slash);
  if (head == "HKEY_LOCAL_MACHINE" || head == "HKLM") {
    *root = HKEY_LOCAL_MACHINE;
  } else if (head == "HKEY_CURRENT_USER" || head == "HKCU") {
    *root = HKEY_CURRENT_USER;
  } else {
    return false;
  }
  *path = slash == std::string::npos ? std::string() : source.substr(slash + 1);
  return true;
}

}  // namespace

std::string DefaultSerialPortSource() {
  return "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";
}

std::int32_t ListSerialPorts(const std::string& source, std::vector<std::string>* names) {
  HKEY root = nullptr;
  std::string path;
  if (!SplitSource(source, &root, &path)) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  LONG status = ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return status;

  std::vector<std::string> found;
  for (DWORD index = 0;; ++index) {
    char valueName[kBufferSize];
    BYTE data[kBufferSize];
    DWORD nameSize = kBufferSize;
    DWORD dataSize = kBufferSize;
    DWORD type = 0;
    status = ::RegEnumValueA(key, index, valueName, &nameSize, nullptr, &type, data, &dataSize);
    if (status != ERROR_SUCCESS) break;
    // The data as text, up to its terminating zero byte.
    const char* text = reinterpret_cast<const char*>(data);
    found.emplace_back(text, ::strnlen(text, dataSize));
  }
  ::RegCloseKey(key);
  // A value that does not fit its buffer (ERROR_MORE_DATA) fails the listing
  // like any other error; only the end of the values ends it well.
  if (status != ERROR_NO_MORE_ITEMS) return status;
  names->insert(names->end(), found.begin(), found.end());
  return 0;
}

}  // namespace comm
