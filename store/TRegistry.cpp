#include "TRegistry.h"

#include <cstring>
#include <vector>

#include "ERegistryException.h"

namespace {

std::string quoted(const char* format, const std::string& name) {
  std::string text = format;
  text.replace(text.find("%s"), 2, name);
  return text;
}

[[noreturn]] void failGet(const std::string& name) {
  throw ERegistryException(quoted("Failed to get data for '%s'", name));
}
[[noreturn]] void failSet(const std::string& name) {
  throw ERegistryException(quoted("Failed to set data for '%s'", name));
}
[[noreturn]] void failType(const std::string& name) {
  throw ERegistryException(quoted("Invalid data type for '%s'", name));
}

}  // namespace

TRegistry::TRegistry(reg::Backend& backend) : backend_(backend) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(reg::Handle root) {
  if (root == root_) return;
  CloseKey();
  root_ = root;
}

void TRegistry::CloseKey() {
  if (current_ != reg::kNoKey) backend_.closeKey(current_);
  current_ = reg::kNoKey;
  currentPath_.clear();
}

reg::Handle TRegistry::baseFor(const std::string& key, std::string& relative,
                               std::string& fullPath) const {
  const bool absolute = !key.empty() && key.front() == '\\';
  relative = absolute ? key.substr(1) : key;
  if (!absolute && current_ != reg::kNoKey) {
    fullPath = currentPath_.empty() || relative.empty() ? currentPath_ + relative
                                                         : currentPath_ + "\\" + relative;
    return current_;
  }
  fullPath = relative;
  return root_;
}

bool TRegistry::OpenKey(const std::string& key) {
  std::string relative, fullPath;
  reg::Handle base = baseFor(key, relative, fullPath);
  reg::Handle opened = reg::kNoKey;
  if (backend_.openKey(base, relative, access_, &opened) != reg::kSuccess) return false;
  CloseKey();
  current_ = opened;
  currentPath_ = fullPath;
  return true;
}

bool TRegistry::KeyExists(const std::string& key) {
  std::string relative, fullPath;
  reg::Handle base = baseFor(key, relative, fullPath);
  reg::Handle probe = reg::kNoKey;
  if (backend_.openKey(base, relative, reg::kQueryValue | reg::kEnumerateSubKeys, &probe) !=
      reg::kSuccess)
    return false;
  backend_.closeKey(probe);
  return true;
}

std::string TRegistry::ReadString(const std::string& name) {
  if (current_ == reg::kNoKey) return {};
  std::uint32_t type = 0, size = 0;
  if (backend_.queryValue(current_, name, &type, nullptr, &size) != reg::kSuccess) return {};
  if (type != reg::kSz && type != reg::kExpandSz) {
    if (size == 0) return {};
    failType(name);
  }
  if (size == 0) return {};
  std::vector<std::uint8_t> data(size);
  long status = backend_.queryValue(current_, name, &type, data.data(), &size);
  // Another running copy may have stored a longer value since the size was asked for.
  while (status == reg::kMoreData && size > data.size()) {
    data.resize(size);
    status = backend_.queryValue(current_, name, &type, data.data(), &size);
  }
  if (status != reg::kSuccess) return {};
  if (type != reg::kSz && type != reg::kExpandSz) failType(name);
  const char* text = reinterpret_cast<const char*>(data.data());
  return std::string(text, strnlen(text, size));
}

std::int32_t TRegistry::ReadInteger(const std::string& name) {
  if (current_ == reg::kNoKey) failGet(name);
  std::uint32_t type = 0, size = 4;
  std::uint8_t data[4] = {0, 0, 0, 0};
  if (backend_.queryValue(current_, name, &type, data, &size) != reg::kSuccess) failGet(name);
  if (type != reg::kDword) failType(name);
  std::uint32_t value = 0;
  std::memcpy(&value, data, 4);
  return static_cast<std::int32_t>(value);
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
  if (current_ == reg::kNoKey) failSet(name);
  std::uint8_t data[4];
  std::uint32_t v = static_cast<std::uint32_t>(value);
  std::memcpy(data, &v, 4);
  if (backend_.setValue(current_, name, reg::kDword, data, 4) != reg::kSuccess) failSet(name);
}

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  if (current_ == reg::kNoKey) failSet(name);
  std::vector<std::uint8_t> data(value.begin(), value.end());
  data.push_back(0);
  if (backend_.setValue(current_, name, reg::kSz, data.data(),
                        static_cast<std::uint32_t>(data.size())) != reg::kSuccess)
    failSet(name);
}
