#pragma once

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "RegistryContract.h"
#include "TempDir.h"
#include "registry/FileHiveRegistry.h"
#include "registry/HiveFormat.h"

// A file hive registry in a temporary folder. Arranging goes through a second backend on the
// same folder, so the one under test has to notice changes on disk; inspecting parses the hive
// files themselves, so what counts is what was really written.
class RegistryFileHiveHarness : public contract::RegistryHarness {
public:
  RegistryFileHiveHarness();

  reg::Backend& backend() override { return *registry_; }
  FileHiveRegistry& registry() { return *registry_; }
  void createKey(reg::Handle root, const std::string& path) override;
  void storeValue(reg::Handle root, const std::string& path, const std::string& name,
                  const contract::StoredValue& value) override;
  std::optional<contract::StoredValue> storedValue(reg::Handle root, const std::string& path,
                                                   const std::string& name) override;
  bool keyExists(reg::Handle root, const std::string& path) override;
  bool makeChangesFail(reg::Handle root) override;

  const std::filesystem::path& folder() const { return folder_; }
  const std::filesystem::path& home() const { return home_; }
  std::filesystem::path hiveFile(reg::Handle root) const;
  // What the backend under test reported about unusable hives.
  std::string diagnostics() const { return diagnostics_.str(); }
  // The hive as it is on disk now (an empty hive when the file is missing).
  HiveFormat::Hive hiveOnDisk(reg::Handle root) const;

private:
  TempDir dir_;
  std::filesystem::path folder_, home_;
  std::ostringstream diagnostics_, seederDiagnostics_;
  std::unique_ptr<FileHiveRegistry> registry_, seeder_;
};

// The full path of a key in a hive file: root name, "\", path.
std::string fullKeyPath(reg::Handle root, const std::string& path);
