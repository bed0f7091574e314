#pragma once

#include <string>

// An exclusive lock on a lock file (flock), held from construction until destruction. Every
// process that changes a hive takes the lock beside it, so changes follow one another.
class FileLock {
public:
  // Opens the lock file, making it when missing, and waits until the lock is ours.
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool locked() const { return fd_ >= 0; }
  // The errno of the failure when not locked.
  int error() const { return error_; }

private:
  int fd_ = -1;
  int error_ = 0;
};
