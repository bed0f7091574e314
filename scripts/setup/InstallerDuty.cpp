// What an installer does before Molvane first starts: when the settings key is missing, make it
// with its first values, and make the folder of the first library. An existing key or folder is
// never touched.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "Locations.h"
#include "registry/FileHiveRegistry.h"

namespace {

const char* const kFirstLibrary = "Lib 1";

HiveFormat::Value text(const std::string& name, const std::string& value) {
  std::vector<std::uint8_t> bytes(value.begin(), value.end());
  bytes.push_back(0);
  return {name, reg::kSz, bytes};
}

HiveFormat::Value dword(const std::string& name, std::uint32_t value) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return {name, reg::kDword, bytes};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: molvane-setup <hive-folder> <home-folder>\n";
    return 2;
  }
  const std::string hiveFolder = argv[1];
  const std::string home = argv[2];
  FileHiveRegistry registry(hiveFolder, home);

  reg::Handle key = reg::kNoKey;
  if (registry.openKey(reg::kLocalMachine, Locations::kSettingsKey, reg::kQueryValue, &key) ==
      reg::kSuccess) {
    registry.closeKey(key);
    return 0;
  }

  // The folders come first: the key is what marks the duty as done.
  const std::filesystem::path library = std::filesystem::path(home) / "My Documents" /
                                        "My Music" / "Molvane" / kFirstLibrary;
  std::error_code ec;
  std::filesystem::create_directories(library, ec);
  if (ec) {
    std::cerr << "molvane-setup: cannot make the folder " << library.string() << ": "
              << ec.message() << "\n";
    return 1;
  }

  bool created = false;
  const long status = registry.createKey(
      reg::kLocalMachine, Locations::kSettingsKey,
      {text("Library Name", kFirstLibrary), dword("First Use", 0), dword("Overwrite Library", 1),
       dword("Copy Content", 0)},
      &created);
  if (status != reg::kSuccess) {
    std::cerr << "molvane-setup: cannot make the settings key in "
              << registry.hiveFile(reg::kLocalMachine) << " (error " << status << ")\n";
    return 1;
  }
  if (created)
    std::cout << "Made the settings key HKEY_LOCAL_MACHINE\\" << Locations::kSettingsKey
              << " in " << registry.hiveFile(reg::kLocalMachine) << "\n";
  return 0;
}
