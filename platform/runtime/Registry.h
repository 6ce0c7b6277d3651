// A registry-like store: values with a name (text or integer) under a key
// path. On Windows it is the registry; elsewhere a per-user file store
// (one file, replaced atomically on every write).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/Classes.h"

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

enum class TRootKey : std::uint8_t { CurrentUser, LocalMachine };

class TRegistry : public TObject {
 public:
  TRegistry();
  ~TRegistry() override;
  std::string ClassName() const override { return "TRegistry"; }

  void SetRootKey(TRootKey root);
  // Opens key (a path such as "Software\\Maker\\Console"), creating it when
  // canCreate; false when it does not exist and may not be created.
  bool OpenKey(const std::string& key, bool canCreate);
  void CloseKey();
  bool ValueExists(const std::string& name) const;

  // Reads and writes in the open key. ReadString of a missing value gives the
  // empty text; ReadInteger of a missing or non-integer value raises
  // ERegistryException "Invalid data type for '<name>'".
  std::string ReadString(const std::string& name) const;
  std::int32_t ReadInteger(const std::string& name) const;
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, std::int32_t value);

  // Where the non-Windows store keeps its file (default: the per-user
  // configuration directory). Tests point it at a temporary file.
  static void SetStoreFile(const std::string& path);

 private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};
