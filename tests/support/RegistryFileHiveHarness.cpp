// The file hives exist on POSIX systems only.
#if !defined(_WIN32)

#include "RegistryFileHiveHarness.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

RegistryFileHiveHarness::RegistryFileHiveHarness()
    : folder_(dir_.path() / "config" / "molvane" / "registry"), home_(dir_.path() / "home") {
  std::filesystem::create_directories(home_);
  registry_ = std::make_unique<FileHiveRegistry>(folder_.string(), home_.string(), diagnostics_);
  seeder_ = std::make_unique<FileHiveRegistry>(folder_.string(), home_.string(), seederDiagnostics_);
}

std::string fullKeyPath(reg::Handle root, const std::string& path) {
  std::string name = root == reg::kLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  return path.empty() ? name : name + "\\" + path;
}

std::filesystem::path RegistryFileHiveHarness::hiveFile(reg::Handle root) const {
  return registry_->hiveFile(root);
}

void RegistryFileHiveHarness::createKey(reg::Handle root, const std::string& path) {
  ASSERT_EQ(seeder_->createKey(root, path), reg::kSuccess) << path;
}

void RegistryFileHiveHarness::storeValue(reg::Handle root, const std::string& path,
                                         const std::string& name,
                                         const contract::StoredValue& value) {
  createKey(root, path);
  reg::Handle key = reg::kNoKey;
  ASSERT_EQ(seeder_->openKey(root, path, reg::kSetValue, &key), reg::kSuccess) << path;
  EXPECT_EQ(seeder_->setValue(key, name, value.type, value.data.data(),
                              static_cast<std::uint32_t>(value.data.size())),
            reg::kSuccess)
      << name;
  seeder_->closeKey(key);
}

HiveFormat::Hive RegistryFileHiveHarness::hiveOnDisk(reg::Handle root) const {
  const std::filesystem::path file = hiveFile(root);
  if (!std::filesystem::exists(file)) return {};
  return HiveFormat::parse(readText(file));
}

std::optional<contract::StoredValue> RegistryFileHiveHarness::storedValue(
    reg::Handle root, const std::string& path, const std::string& name) {
  const HiveFormat::Hive hive = hiveOnDisk(root);
  const HiveFormat::Key* key = hive.find(fullKeyPath(root, path));
  if (!key) return std::nullopt;
  const HiveFormat::Value* value = key->find(name);
  if (!value) return std::nullopt;
  return contract::StoredValue{value->type, value->data};
}

bool RegistryFileHiveHarness::keyExists(reg::Handle root, const std::string& path) {
  return hiveOnDisk(root).exists(fullKeyPath(root, path));
}

bool RegistryFileHiveHarness::makeChangesFail(reg::Handle root) {
  // A hive without write permission refuses changes, for root too.
  return ::chmod(hiveFile(root).c_str(), 0444) == 0;
}

#endif  // !_WIN32
