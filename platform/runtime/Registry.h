// A registry-like store: values with a name (text or integer) under a key
// path. On Windows it is the registry; elsewhere a per-user file store (one
// file, replaced atomically on every write; keys and value names match
// ignoring letter case, like the registry's).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/Classes.h"

// A value of the wrong type, a key name the store refuses, or a store it cannot reach.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// The two trees of the store: the user's and the machine's.
enum class TRootKey : std::uint8_t { CurrentUser, LocalMachine };

// The settings store: one open key at a time under a root.
class TRegistry : public TObject {
 public:
  TRegistry();
  ~TRegistry() override;
  std::string ClassName() const override { return "TRegistry"; }

  // The tree the keys are taken from (CurrentUser at first).
  TRootKey RootKey() const;
  void SetRootKey(TRootKey root);  // closes the open key
  // Opens key (a path such as "Software\\Maker\\Console"), creating it when
  // canCreate; false when it does not exist and may not be created. A path
  // that starts with '\' is taken from the root, any other one from the
  // open key. Failures of the store raise (EFileError, ERegistryException).
  bool OpenKey(const std::string& key, bool canCreate);
  void CloseKey();                  // values then go to the root key itself
  std::string CurrentPath() const;  // the open key's path, "" for the root
  // Whether the key exists (a path as OpenKey takes it).
  bool KeyExists(const std::string& key) const;
  bool ValueExists(const std::string& name) const;  // whether the open key has a value of that name

  // Reads and writes in the open key. ReadString of a missing value gives the
  // empty text; ReadString of an integer and ReadInteger of a missing or text
  // value raise ERegistryException "Invalid data type for '<name>'". A write
  // replaces the value and its type.
  std::string ReadString(const std::string& name) const;
  std::int32_t ReadInteger(const std::string& name) const;
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, std::int32_t value);

  // Where the non-Windows store keeps its file (default:
  // $XDG_CONFIG_HOME/dispenser-console/registry, else under ~/.config).
  // Tests point it at a temporary file; an empty path restores the default.
  static void SetStoreFile(const std::string& path);

 private:
  struct Impl;  // the system's store
  TRootKey FRoot = TRootKey::CurrentUser;
  std::string FCurrent;  // the open key's path below the root
  std::unique_ptr<Impl> FImpl;
};
