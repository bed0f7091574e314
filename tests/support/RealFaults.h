#pragma once

#include <filesystem>
#include <string>

// Real faults of the real file system for tests. Both need root for a mount; without it the
// read-only folder falls back to permissions (which root would ignore), and the small file
// system is simply not available.

// Makes a folder read-only for as long as it lives: a read-only bind mount of itself when
// running as root, else the folder's write permission taken away.
class ReadOnlyFolder {
public:
  explicit ReadOnlyFolder(const std::filesystem::path& folder);
  ~ReadOnlyFolder();
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  // False when neither way worked; the test should then skip.
  bool active() const { return active_; }

private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  bool active_ = false;
};

// A tmpfs of the given size mounted on an empty folder, unmounted at the end.
class SmallFileSystem {
public:
  SmallFileSystem(const std::filesystem::path& folder, std::size_t bytes);
  ~SmallFileSystem();
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;
  bool mounted() const { return mounted_; }

private:
  std::filesystem::path folder_;
  bool mounted_ = false;
};

// Writes bytes of a repeating pattern until the file system is full, so that later writes fail.
void fillUp(const std::filesystem::path& file);
