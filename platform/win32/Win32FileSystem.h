#pragma once

#include "files/FileSystem.h"

// The files layer over the Win32 ANSI file calls. Paths are the program's own, with "\"
// separators, and go to the system unchanged.
class Win32FileSystem : public fs::FileSystem {
public:
  std::vector<fs::DirEntry> findEntries(const std::string& searchPath) override;
  fs::EntryKind kindOf(const std::string& path) override;
  fs::Result createDirectory(const std::string& path) override;
  fs::Result removeDirectory(const std::string& path) override;
  fs::Result copyFile(const std::string& source, const std::string& target,
                      const fs::CopyProgress& progress = {}) override;
  fs::Result copyToNew(const std::string& source, const std::string& target,
                       const fs::CopyProgress& progress = {}) override;
  fs::Result renameReplace(const std::string& from, const std::string& to) override;
  fs::Result removeFile(const std::string& path) override;
  fs::Result writeFile(const std::string& path, const std::string& data) override;
  fs::Result readFile(const std::string& path, std::string& data) override;
  std::uint64_t fileSize(const std::string& path) override;
};
