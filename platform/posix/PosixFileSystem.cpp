#include "PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

#ifdef __linux__
#include <linux/fs.h>
#endif

namespace {

fs::Error errorFor(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return fs::Error::NotFound;
    case EISDIR:
      return fs::Error::IsDirectory;
    case EEXIST:
      return fs::Error::Exists;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
      return fs::Error::AccessDenied;
    case ENOSPC:
    case EDQUOT:
      return fs::Error::NoSpace;
    default:
      return fs::Error::Other;
  }
}

fs::Result failure(int err) { return {errorFor(err), std::strerror(err)}; }

fs::Result cancelled() { return {fs::Error::Cancelled, "Cancelled"}; }

// Closes the descriptor on every way out; close() itself is checked where data was written.
class Fd {
public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and answers 0 or the errno of a failed close (a late write error on some file
  // systems).
  int close() {
    const int fd = fd_;
    fd_ = -1;
    return fd >= 0 && ::close(fd) != 0 ? errno : 0;
  }

private:
  int fd_;
};

std::string parentOf(const std::string& native) {
  const auto slash = native.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return native.substr(0, slash);
}

// Makes a rename or a new name durable. Some file systems cannot flush a folder and say so
// with EINVAL; that is no failure of ours.
fs::Result syncFolder(const std::string& folder) {
  Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) return failure(errno);
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return failure(errno);
  return fs::Result::success();
}

std::string randomToken() {
  std::random_device device;
  const std::uint64_t value = (std::uint64_t{device()} << 32) ^ device();
  static const char* const digits = "0123456789abcdef";
  std::string token(16, '0');
  for (int i = 0; i < 16; ++i) token[static_cast<size_t>(i)] = digits[(value >> (4 * i)) & 0xF];
  return token;
}

// Creates a new temporary beside the files of folder, exclusively, with a name no scan lists.
fs::Result createTemporary(const std::string& folder, const char* kind, mode_t mode, Fd& fd,
                           std::string& path) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    path = folder + "/" + fs::kTemporaryPrefix + kind + "-" + randomToken();
    fd.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.get() >= 0) return fs::Result::success();
    if (errno != EEXIST) return failure(errno);
  }
  return failure(EEXIST);
}

// Opens what CopyFileA accepts as a source: an existing file, not a folder. O_NONBLOCK keeps a
// named pipe from stalling the open; it is refused right after.
fs::Result openSource(const std::string& native, Fd& fd, struct stat& st) {
  fd.reset(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) return failure(errno);
  if (::fstat(fd.get(), &st) != 0) return failure(errno);
  if (S_ISDIR(st.st_mode)) return failure(EISDIR);
  if (!S_ISREG(st.st_mode)) return {fs::Error::Other, "Not a regular file"};
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  return fs::Result::success();
}

fs::Result writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failure(errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return fs::Result::success();
}

// Writes a copy out behind itself: each stretch of kProgressChunk bytes starts on its way to
// the disk as soon as it is copied, and the stretch before it, once written, leaves the page
// cache. So a copy keeps a bounded part of the file in memory whatever its size, reuses the
// same pages instead of claiming new ones for every byte, and the disk works while the next
// stretch is copied. Where the system offers none of this, nothing changes.
class WriteBehind {
public:
  explicit WriteBehind(int fd) : fd_(fd) {}

  // written: the bytes of the file written so far.
  fs::Result advance(std::uint64_t written) {
#ifdef __linux__
    if (!enabled_ || written - started_ < PosixFileSystem::kProgressChunk)
      return fs::Result::success();
    if (started_ > dropped_) {
      // A failed write-out is reported here, and not again by the final flush.
      const unsigned wait =
          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
      if (!range(dropped_, started_, wait)) return failure(errno);
      ::posix_fadvise(fd_, static_cast<off_t>(dropped_), static_cast<off_t>(started_ - dropped_),
                      POSIX_FADV_DONTNEED);
      dropped_ = started_;
    }
    if (!range(started_, written, SYNC_FILE_RANGE_WRITE)) return failure(errno);
    started_ = written;
#else
    (void)written;
#endif
    return fs::Result::success();
  }

  // Once the file is flushed: none of it stays in the page cache.
  void finish() {
    if (started_ > 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
  }

private:
#ifdef __linux__
  // Answers false on a failure; a system that cannot do this turns write-behind off instead.
  bool range(std::uint64_t from, std::uint64_t to, unsigned flags) {
    if (::sync_file_range(fd_, static_cast<off_t>(from), static_cast<off_t>(to - from), flags) == 0)
      return true;
    if (errno != EINVAL && errno != ESPIPE && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    enabled_ = false;
    return true;
  }
#endif

  int fd_;
  bool enabled_ = true;
  std::uint64_t started_ = 0;  // write-out started up to here
  std::uint64_t dropped_ = 0;  // written and out of the page cache up to here
};

// Copies the data, preferring what costs no user memory: a reflink clone, then the kernel's
// copy, then a loop over one bounded buffer. Both descriptors stay at their current offsets'
// continuation, so one method can take over where another stopped.
fs::Result copyData(int in, int out, WriteBehind& behind, const fs::CopyProgress& progress) {
  std::uint64_t done = 0;
  std::uint64_t reported = 0;
  bool anyReport = false;
  auto report = [&]() {
    anyReport = true;
    reported = done;
    return !progress || progress(done);
  };

#ifdef __linux__
  struct stat st {};
  if (::ioctl(out, FICLONE, in) == 0) {
    if (::fstat(out, &st) == 0) done = static_cast<std::uint64_t>(st.st_size);
    return report() ? fs::Result::success() : cancelled();
  }
  bool kernelCopy = true;
#else
  bool kernelCopy = false;
#endif

  std::vector<char> buffer;
  for (;;) {
    std::uint64_t n = 0;
#ifdef __linux__
    if (kernelCopy) {
      const ssize_t copied =
          ::copy_file_range(in, nullptr, out, nullptr, PosixFileSystem::kProgressChunk, 0);
      if (copied < 0) {
        if (errno == EINTR) continue;
        // Not offered between these two files: the loop below does the rest.
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
            errno == EBADF) {
          kernelCopy = false;
          continue;
        }
        return failure(errno);
      }
      if (copied == 0) {
        // The end, or a file whose size the kernel does not know: read on to be sure.
        kernelCopy = false;
        continue;
      }
      n = static_cast<std::uint64_t>(copied);
    }
#endif
    if (!kernelCopy) {
      if (buffer.empty()) buffer.resize(PosixFileSystem::kBufferSize);
      const ssize_t got = ::read(in, buffer.data(), buffer.size());
      if (got < 0) {
        if (errno == EINTR) continue;
        return failure(errno);
      }
      if (got == 0) break;
      if (fs::Result r = writeAll(out, buffer.data(), static_cast<std::size_t>(got)); !r) return r;
      n = static_cast<std::uint64_t>(got);
    }
    done += n;
    if (fs::Result r = behind.advance(done); !r) return r;
    if (done - reported >= PosixFileSystem::kProgressChunk && !report()) return cancelled();
  }
  if ((!anyReport || reported != done) && !report()) return cancelled();
  return fs::Result::success();
}

// Fills a freshly created file from the source, gives it the source's times, and flushes it.
fs::Result fill(int in, const struct stat& st, Fd& out, const fs::CopyProgress& progress) {
  WriteBehind behind(out.get());
  if (fs::Result r = copyData(in, out.get(), behind, progress); !r) return r;
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out.get(), times) != 0) return failure(errno);
  if (::fsync(out.get()) != 0) return failure(errno);
  behind.finish();
  if (const int err = out.close()) return failure(err);
  return fs::Result::success();
}

}  // namespace

std::string PosixFileSystem::nativePath(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::vector<fs::DirEntry> PosixFileSystem::findEntries(const std::string& searchPath) {
  // The search path ends in a mask ("*.*"), which here matches everything.
  const std::string folder = parentOf(nativePath(searchPath));
  std::vector<fs::DirEntry> entries;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return entries;
  while (const dirent* entry = ::readdir(dir)) {
    fs::DirEntry e;
    e.name = entry->d_name;
#ifdef _DIRENT_HAVE_D_TYPE
    if (entry->d_type == DT_DIR) {
      e.isDirectory = true;
    } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st {};
      e.isDirectory = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
#else
    struct stat st {};
    e.isDirectory = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
#endif
    entries.push_back(std::move(e));
  }
  ::closedir(dir);
  return entries;
}

fs::EntryKind PosixFileSystem::kindOf(const std::string& path) {
  struct stat st {};
  if (::stat(nativePath(path).c_str(), &st) != 0) {
    // Anything but plain absence (no rights, an I/O error) counts as present, so that the
    // operation on it fails and says why.
    if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG || errno == ELOOP)
      return fs::EntryKind::Missing;
    return fs::EntryKind::File;
  }
  return S_ISDIR(st.st_mode) ? fs::EntryKind::Directory : fs::EntryKind::File;
}

fs::Result PosixFileSystem::createDirectory(const std::string& path) {
  if (::mkdir(nativePath(path).c_str(), 0777) != 0) return failure(errno);
  return fs::Result::success();
}

fs::Result PosixFileSystem::removeDirectory(const std::string& path) {
  if (::rmdir(nativePath(path).c_str()) != 0) return failure(errno);
  return fs::Result::success();
}

fs::Result PosixFileSystem::copyFile(const std::string& source, const std::string& target,
                                     const fs::CopyProgress& progress) {
  Fd in;
  struct stat st {};
  if (fs::Result r = openSource(nativePath(source), in, st); !r) return r;

  const std::string to = nativePath(target);
  const std::string folder = parentOf(to);
  Fd out;
  std::string temp;
  if (fs::Result r = createTemporary(folder, "copy", st.st_mode & 0777, out, temp); !r) return r;
  fs::Result r = fill(in.get(), st, out, progress);
  if (r && ::rename(temp.c_str(), to.c_str()) != 0) r = failure(errno);
  if (!r) {
    out.close();
    ::unlink(temp.c_str());
    return r;
  }
  // The target has been replaced; a failure here means the replacement may not survive a crash.
  return syncFolder(folder);
}

fs::Result PosixFileSystem::copyToNew(const std::string& source, const std::string& target,
                                      const fs::CopyProgress& progress) {
  Fd in;
  struct stat st {};
  if (fs::Result r = openSource(nativePath(source), in, st); !r) return r;

  const std::string to = nativePath(target);
  Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777));
  if (out.get() < 0) return failure(errno);
  fs::Result r = fill(in.get(), st, out, progress);
  if (!r) {
    out.close();
    ::unlink(to.c_str());
  }
  return r;
}

fs::Result PosixFileSystem::renameReplace(const std::string& from, const std::string& to) {
  if (fs::Result r = renameReplaceUnflushed(from, to); !r) return r;
  const std::string a = nativePath(from);
  const std::string b = nativePath(to);
  if (fs::Result r = syncFolder(parentOf(b)); !r) return r;
  if (parentOf(a) != parentOf(b)) return syncFolder(parentOf(a));
  return fs::Result::success();
}

fs::Result PosixFileSystem::renameReplaceUnflushed(const std::string& from, const std::string& to) {
  if (::rename(nativePath(from).c_str(), nativePath(to).c_str()) != 0) return failure(errno);
  return fs::Result::success();
}

fs::Result PosixFileSystem::flushFolder(const std::string& folder) {
  return syncFolder(nativePath(folder));
}

fs::Result PosixFileSystem::removeFile(const std::string& path) {
  // Not flushed: a removal lost in a crash leaves only a file that is removed again later.
  if (::unlink(nativePath(path).c_str()) != 0) return failure(errno);
  return fs::Result::success();
}

fs::Result PosixFileSystem::writeFile(const std::string& path, const std::string& data) {
  const std::string to = nativePath(path);
  const std::string folder = parentOf(to);
  Fd out;
  std::string temp;
  if (fs::Result r = createTemporary(folder, "write", 0666, out, temp); !r) return r;
  fs::Result r = writeAll(out.get(), data.data(), data.size());
  if (r && ::fsync(out.get()) != 0) r = failure(errno);
  if (const int err = out.close(); r && err) r = failure(err);
  if (r && ::rename(temp.c_str(), to.c_str()) != 0) r = failure(errno);
  if (!r) {
    ::unlink(temp.c_str());
    return r;
  }
  return syncFolder(folder);
}

fs::Result PosixFileSystem::readFile(const std::string& path, std::string& data) {
  Fd in(::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (in.get() < 0) return failure(errno);
  std::string text;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failure(errno);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  data = std::move(text);
  return fs::Result::success();
}

std::uint64_t PosixFileSystem::fileSize(const std::string& path) {
  struct stat st {};
  if (::stat(nativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}
