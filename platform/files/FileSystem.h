#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The file system as the program uses it. Paths arrive as the program builds them, with "\"
// separators; an implementation on a system that uses "/" maps them.
namespace fs {

enum class Error {
  None,
  NotFound,     // the source, or a folder on the way, does not exist
  IsDirectory,  // a folder where a file was expected
  Exists,       // the target exists and may not be replaced
  AccessDenied, // read-only target, missing rights, a file held open by another program
  NoSpace,      // the disk is full
  Cancelled,    // the caller's progress callback asked to stop
  Other,
};

struct Result {
  Error error = Error::None;
  std::string reason;  // the system's own words, for messages

  bool ok() const { return error == Error::None; }
  explicit operator bool() const { return ok(); }
  static Result success() { return {}; }
};

struct DirEntry {
  std::string name;  // bare name, no folder part
  bool isDirectory = false;
};

enum class EntryKind { Missing, File, Directory };

// Every temporary file the program makes beside the user's files begins with this, so that
// start-up can tell its own leftovers from the user's files (no scan lists names with a ".").
inline constexpr const char* kTemporaryPrefix = ".molvane-";

// Called as bytes are copied: (bytes done of this file). Answer false to cancel the copy.
using CopyProgress = std::function<bool(std::uint64_t)>;

class FileSystem {
public:
  virtual ~FileSystem() = default;

  // Lists the folder named by a search path of the form folder + "\*.*": every entry, files
  // and folders, hidden ones too, "." and ".." as the system reports them, in the order the
  // system returns them. A missing or unreadable folder yields nothing.
  virtual std::vector<DirEntry> findEntries(const std::string& searchPath) = 0;

  virtual EntryKind kindOf(const std::string& path) = 0;
  bool isDirectory(const std::string& path) { return kindOf(path) == EntryKind::Directory; }
  bool exists(const std::string& path) { return kindOf(path) != EntryKind::Missing; }

  // Creates one folder level; the parent must exist.
  virtual Result createDirectory(const std::string& path) = 0;
  // Removes an empty folder.
  virtual Result removeDirectory(const std::string& path) = 0;

  // CopyFileA with replacement: a missing source or a folder as source fails; data and
  // modification time are copied. Never leaves a torn target: the data goes to a temporary
  // beside the target (a name beginning with "."), is flushed, then renamed over it.
  virtual Result copyFile(const std::string& source, const std::string& target,
                          const CopyProgress& progress = {}) = 0;

  // The steps that a change of several files at once is made of.
  // Copies to a new file that must not exist yet (created exclusively), flushed to disk; the
  // source checks, data and modification time as copyFile. On failure the new file is removed.
  virtual Result copyToNew(const std::string& source, const std::string& target,
                           const CopyProgress& progress = {}) = 0;
  // Renames a file over another, replacing it atomically and durably.
  virtual Result renameReplace(const std::string& from, const std::string& to) = 0;
  // The same rename, left for the system to write out in its own time; flushFolder then makes
  // the renames in a folder durable, so that a change of many files flushes each folder once
  // rather than once per rename. A system without this split renames durably at once.
  virtual Result renameReplaceUnflushed(const std::string& from, const std::string& to) {
    return renameReplace(from, to);
  }
  virtual Result flushFolder(const std::string& folder) {
    (void)folder;
    return Result::success();
  }
  virtual Result removeFile(const std::string& path) = 0;
  // Writes a small file whole: to a temporary, flushed, renamed over path.
  virtual Result writeFile(const std::string& path, const std::string& data) = 0;
  virtual Result readFile(const std::string& path, std::string& data) = 0;
  // Size of a file in bytes, 0 when it cannot be read.
  virtual std::uint64_t fileSize(const std::string& path) = 0;
};

}  // namespace fs
