#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "files/FileSystem.h"

// Passes every call to another file system, but its copies take their time as large ones do:
// before copying, a copy reports its progress in small chunks with a pause before each, and
// stops there when the caller answers cancel, making nothing. So tests with small files see
// many progress figures and a dialog that has time to show.
class SlowFileSystem : public fs::FileSystem {
public:
  SlowFileSystem(fs::FileSystem& inner, std::uint64_t chunkBytes,
                 std::chrono::milliseconds pause = std::chrono::milliseconds(0))
      : inner_(inner), chunk_(chunkBytes == 0 ? 1 : chunkBytes), pause_(pause) {}

  std::vector<fs::DirEntry> findEntries(const std::string& searchPath) override {
    return inner_.findEntries(searchPath);
  }
  fs::EntryKind kindOf(const std::string& path) override { return inner_.kindOf(path); }
  fs::Result createDirectory(const std::string& path) override {
    return inner_.createDirectory(path);
  }
  fs::Result removeDirectory(const std::string& path) override {
    return inner_.removeDirectory(path);
  }
  fs::Result copyFile(const std::string& source, const std::string& target,
                      const fs::CopyProgress& progress = {}) override;
  fs::Result copyToNew(const std::string& source, const std::string& target,
                       const fs::CopyProgress& progress = {}) override;
  fs::Result renameReplace(const std::string& from, const std::string& to) override {
    return inner_.renameReplace(from, to);
  }
  fs::Result removeFile(const std::string& path) override { return inner_.removeFile(path); }
  fs::Result writeFile(const std::string& path, const std::string& data) override {
    return inner_.writeFile(path, data);
  }
  fs::Result readFile(const std::string& path, std::string& data) override {
    return inner_.readFile(path, data);
  }
  std::uint64_t fileSize(const std::string& path) override { return inner_.fileSize(path); }

private:
  // Reports the source's bytes chunk by chunk; answers false when the caller cancelled.
  bool takeTime(const std::string& source, const fs::CopyProgress& progress);

  fs::FileSystem& inner_;
  std::uint64_t chunk_;
  std::chrono::milliseconds pause_;
};
