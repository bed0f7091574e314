#pragma once

#include <cstdint>
#include <string>

#include "registry/RegistryBackend.h"

// The registry accessor: one root, at most one open key that carries over between calls, and
// the access rights keys are opened with. Failures are raised as ERegistryException with the
// texts the user sees; a failed read or write changes neither the accessor nor the value.
class TRegistry {
public:
  explicit TRegistry(reg::Backend& backend);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  reg::Handle RootKey() const { return root_; }
  // A different root closes the open key; the same root changes nothing.
  void SetRootKey(reg::Handle root);

  reg::Handle CurrentKey() const { return current_; }
  const std::string& CurrentPath() const { return currentPath_; }
  std::uint32_t Access() const { return access_; }

  // Never creates the key. A path without a leading "\" is opened below the open key when
  // there is one, else below the root. On success the new key replaces the open one; on
  // failure the open key stays.
  bool OpenKey(const std::string& key);
  // Opens the path with query and enumerate rights only, closes it again, answers whether it
  // opened. The open key does not change.
  bool KeyExists(const std::string& key);
  void CloseKey();

  std::string ReadString(const std::string& name);
  std::int32_t ReadInteger(const std::string& name);
  bool ReadBool(const std::string& name);
  void WriteInteger(const std::string& name, std::int32_t value);
  void WriteBool(const std::string& name, bool value);
  void WriteString(const std::string& name, const std::string& value);

private:
  // Where a relative or absolute path is opened from, and the path to record.
  reg::Handle baseFor(const std::string& key, std::string& relative, std::string& fullPath) const;

  reg::Backend& backend_;
  reg::Handle root_ = reg::kCurrentUser;
  reg::Handle current_ = reg::kNoKey;
  std::string currentPath_;
  std::uint32_t access_ = reg::kAllAccess;
};
