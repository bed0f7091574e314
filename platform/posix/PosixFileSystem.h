#pragma once

#include <cstddef>
#include <string>

#include "files/FileSystem.h"

// The file system on a POSIX system. Paths arrive with "\" separators and are used with "/".
// Every replacement goes through a temporary beside its target that is flushed and then renamed
// over it, so a target is always either its old or its new content.
class PosixFileSystem : public fs::FileSystem {
public:
  // Copies report progress, and may be cancelled, after each chunk of this size. The fallback
  // copy loop uses a smaller buffer, so memory stays the same whatever the file's size.
  static constexpr std::uint64_t kProgressChunk = 8u << 20;
  static constexpr std::size_t kBufferSize = 1u << 20;

  std::vector<fs::DirEntry> findEntries(const std::string& searchPath) override;
  fs::EntryKind kindOf(const std::string& path) override;
  fs::Result createDirectory(const std::string& path) override;
  fs::Result removeDirectory(const std::string& path) override;
  fs::Result copyFile(const std::string& source, const std::string& target,
                      const fs::CopyProgress& progress = {}) override;
  fs::Result copyToNew(const std::string& source, const std::string& target,
                       const fs::CopyProgress& progress = {}) override;
  fs::Result renameReplace(const std::string& from, const std::string& to) override;
  fs::Result renameReplaceUnflushed(const std::string& from, const std::string& to) override;
  fs::Result flushFolder(const std::string& folder) override;
  fs::Result removeFile(const std::string& path) override;
  fs::Result writeFile(const std::string& path, const std::string& data) override;
  fs::Result readFile(const std::string& path, std::string& data) override;
  std::uint64_t fileSize(const std::string& path) override;

  // "\" separators to "/".
  static std::string nativePath(const std::string& path);
};
