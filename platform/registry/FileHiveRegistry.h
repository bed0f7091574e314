#pragma once

#include <cstdint>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "HiveFormat.h"
#include "RegistryBackend.h"

// The registry for systems without one: one REGEDIT4 hive file per root in a folder
// (HKEY_LOCAL_MACHINE.reg, HKEY_CURRENT_USER.reg), plus the volatile per-user key
// HKEY_CURRENT_USER\Volatile Environment, made up from the home folder and never written.
//
// Reads take the file as it is on disk now, so running copies see each other's changes. Every
// change happens under an exclusive lock beside the hive: re-read, change, write the whole hive
// to a temporary file in the same folder, flush it and rename it over the hive, so the hive is
// never torn and no change is lost. A hive that cannot be parsed is never overwritten: its keys
// are missing, changes fail, and the reason goes once to the diagnostics stream.
class FileHiveRegistry : public reg::Backend {
public:
  // hiveFolder and homeFolder are paths of the file system ("/" separators).
  FileHiveRegistry(std::string hiveFolder, std::string homeFolder,
                   std::ostream& diagnostics = std::cerr);

  long openKey(reg::Handle parent, const std::string& subKey, std::uint32_t access,
               reg::Handle* result) override;
  long queryValue(reg::Handle key, const std::string& name, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* size) override;
  long setValue(reg::Handle key, const std::string& name, std::uint32_t type,
                const std::uint8_t* data, std::uint32_t size) override;
  long closeKey(reg::Handle key) override;

  // What an installer does, beside the interface the program uses: when the key path below the
  // root does not exist, makes it (with the levels above it, and the hive folder) holding the
  // given values, in one change. An existing key is left exactly as it is. *created, when
  // given, tells whether the key was made.
  long createKey(reg::Handle root, const std::string& path,
                 const std::vector<HiveFormat::Value>& values = {}, bool* created = nullptr);

  // The file that holds a root's keys; empty for a root this backend does not keep.
  std::string hiveFile(reg::Handle root) const;

private:
  // What identifies one version of a file on disk; any change means it must be read again.
  struct FileStamp {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modified = 0, changed = 0;  // nanoseconds
    bool operator==(const FileStamp&) const = default;
  };
  enum class HiveState { NotRead, Missing, Loaded, Unusable };
  struct RootHive {
    std::string name;  // HKEY_LOCAL_MACHINE
    std::string file, lockFile;
    HiveState state = HiveState::NotRead;
    FileStamp stamp;
    HiveFormat::Hive hive;
    long failure = reg::kSuccess;  // why an unusable hive cannot be changed
    std::string reported;          // the last reason written to diagnostics
  };
  struct OpenKey {
    reg::Handle root;
    std::string path;  // full path with the root's name
    std::uint32_t access;
  };

  RootHive* rootHive(reg::Handle root);
  // Resolves a root or an open handle; null when it is neither.
  const OpenKey* resolve(reg::Handle key, OpenKey& rootScratch) const;
  bool isVolatile(const OpenKey& key) const;
  // Brings the cached hive up to date with the file; always reads when force is set.
  void refresh(RootHive& hive, bool force);
  void markUnusable(RootHive& hive, long failure, const std::string& reason);
  bool fileWritable(const RootHive& hive) const;
  // Runs change on a fresh copy of the hive under the lock and writes the result when it
  // reports a change. On any failure the hive file and the cache stay as they were.
  template <typename Change>
  long transact(RootHive& hive, Change change);
  long replaceFile(RootHive& hive, const std::string& text);

  std::string folder_;
  std::ostream& diagnostics_;
  RootHive machine_, user_;
  HiveFormat::Key volatile_;
  std::map<reg::Handle, OpenKey> handles_;
  reg::Handle nextHandle_ = 0x100;
};
