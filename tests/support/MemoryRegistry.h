#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "registry/RegistryBackend.h"

// A registry held in memory, for tests on any system: keys by full path (root name included,
// compared without regard to case as Windows does), values as type plus bytes. Keys exist only
// when a test makes them, as the program never creates keys. Every successful setValue counts
// in writes.
class MemoryRegistry : public reg::Backend {
public:
  struct Value {
    std::uint32_t type = reg::kNone;
    std::vector<std::uint8_t> data;
    bool operator==(const Value&) const = default;
  };
  using Values = std::map<std::string, Value>;

  // Makes the key (path below the root, "\" separated) and its levels above.
  void createKey(reg::Handle root, const std::string& path) {
    std::string full = rootName(root);
    keys_[fold(full)];
    for (std::size_t start = 0; !path.empty() && start <= path.size();) {
      const std::size_t end = std::min(path.find('\\', start), path.size());
      full += "\\" + path.substr(start, end - start);
      keys_[fold(full)];
      start = end + 1;
    }
  }
  void setString(reg::Handle root, const std::string& path, const std::string& name,
                 const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    key(root, path)[name] = {reg::kSz, bytes};
  }
  void setDword(reg::Handle root, const std::string& path, const std::string& name,
                std::uint32_t number) {
    std::vector<std::uint8_t> bytes(4);
    std::memcpy(bytes.data(), &number, 4);
    key(root, path)[name] = {reg::kDword, bytes};
  }
  // Takes a value, or a key with every key below it, away.
  void removeValue(reg::Handle root, const std::string& path, const std::string& name) {
    key(root, path).erase(name);
  }
  void removeKey(reg::Handle root, const std::string& path) {
    const std::string full = fold(rootName(root) + "\\" + path);
    for (auto it = keys_.begin(); it != keys_.end();) {
      const bool below = it->first == full || it->first.rfind(full + "\\", 0) == 0;
      it = below ? keys_.erase(it) : std::next(it);
    }
  }
  // The values of a key, to compare before and after.
  const Values& values(reg::Handle root, const std::string& path) { return key(root, path); }

  int writes = 0;
  // Every write fails as a full disk or a denied write would.
  bool refuseWrites = false;

  long openKey(reg::Handle parent, const std::string& subKey, std::uint32_t,
               reg::Handle* result) override {
    const std::string* base = pathOf(parent);
    if (!base) return reg::kInvalidHandle;
    const std::string full = subKey.empty() ? *base : *base + "\\" + subKey;
    if (!keys_.count(fold(full))) return reg::kFileNotFound;
    *result = next_++;
    open_[*result] = full;
    return reg::kSuccess;
  }

  long queryValue(reg::Handle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override {
    const std::string* path = pathOf(key);
    if (!path) return reg::kInvalidHandle;
    const Values& values = keys_[fold(*path)];
    auto it = values.find(name);
    if (it == values.end()) return reg::kFileNotFound;
    if (type) *type = it->second.type;
    const auto needed = static_cast<std::uint32_t>(it->second.data.size());
    if (data && size && *size < needed) {
      *size = needed;
      return reg::kMoreData;
    }
    if (data && needed) std::memcpy(data, it->second.data.data(), needed);
    if (size) *size = needed;
    return reg::kSuccess;
  }

  long setValue(reg::Handle key, const std::string& name, std::uint32_t type,
                const std::uint8_t* data, std::uint32_t size) override {
    const std::string* path = pathOf(key);
    if (!path) return reg::kInvalidHandle;
    if (refuseWrites) return reg::kAccessDenied;
    keys_[fold(*path)][name] = {type, std::vector<std::uint8_t>(data, data + size)};
    ++writes;
    return reg::kSuccess;
  }

  long closeKey(reg::Handle key) override {
    open_.erase(key);
    return reg::kSuccess;
  }

private:
  static std::string rootName(reg::Handle root) {
    return root == reg::kLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  }
  static std::string fold(std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  }
  Values& key(reg::Handle root, const std::string& path) {
    createKey(root, path);
    return keys_[fold(rootName(root) + "\\" + path)];
  }
  const std::string* pathOf(reg::Handle handle) {
    if (handle == reg::kLocalMachine || handle == reg::kCurrentUser) {
      rootScratch_ = rootName(handle);
      return &rootScratch_;
    }
    auto it = open_.find(handle);
    return it == open_.end() ? nullptr : &it->second;
  }

  std::map<std::string, Values> keys_;
  std::map<reg::Handle, std::string> open_;
  std::string rootScratch_;
  reg::Handle next_ = 0x100;
};
