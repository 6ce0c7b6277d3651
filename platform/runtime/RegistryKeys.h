// What the registry stores of every system share: key paths, taken from the
// root key when they start with '\' and from the open key otherwise, the
// names of the root keys, and the error for a value of the wrong type.
#pragma once

#include <string>

#include "platform/runtime/Registry.h"

namespace RegistryKeys {

// Without empty parts: "a\\\\b\\" and "\\a\\b" both give "a\\b".
std::string Normalize(const std::string& path);

// The path of `key` below the root, opened from `current` (below the root).
std::string Resolve(const std::string& current, const std::string& key);

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE", then "\\" and the path if any.
std::string FullName(TRootKey root, const std::string& path);

// ERegistryException "Invalid data type for '<name>'".
[[noreturn]] void InvalidType(const std::string& name);

}  // namespace RegistryKeys
