// The file hives rely on POSIX files (flock, fsync, rename); on Windows the system registry
// serves instead.
#if !defined(_WIN32)

#include "FileHiveRegistry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "posix/FileLock.h"

namespace {

const char* const kVolatileKey = "Volatile Environment";

// Rights that change a key; a hive file we cannot write refuses them.
constexpr std::uint32_t kWriteRights = reg::kSetValue | reg::kCreateSubKey;

long statusFromErrno(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return reg::kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return reg::kAccessDenied;
    case ENOMEM:
      return reg::kNotEnoughMemory;
    default:
      return reg::kWriteFault;
  }
}

// Splits a relative key path into names; false when a name in it is empty.
bool splitPath(const std::string& path, std::vector<std::string>& names) {
  names.clear();
  if (path.empty()) return true;
  std::size_t start = 0;
  while (true) {
    std::size_t end = path.find('\\', start);
    std::string name = path.substr(start, end - start);
    if (name.empty()) return false;
    names.push_back(std::move(name));
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

bool hasLineBreakOrZero(const std::string& s) {
  return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

std::vector<std::uint8_t> textBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

bool readWholeFile(const std::string& path, std::string& text, int& error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return false;
  }
  text.clear();
  char buffer[65536];
  while (true) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

bool writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

FileHiveRegistry::FileHiveRegistry(std::string hiveFolder, std::string homeFolder,
                                   std::ostream& diagnostics)
    : folder_(std::move(hiveFolder)), diagnostics_(diagnostics) {
  machine_.name = "HKEY_LOCAL_MACHINE";
  user_.name = "HKEY_CURRENT_USER";
  for (RootHive* hive : {&machine_, &user_}) {
    hive->file = folder_ + "/" + hive->name + ".reg";
    hive->lockFile = folder_ + "/." + hive->name + ".reg.lock";
  }
  // The home folder as a path on a drive without a letter: "/home/ann" -> "\home\ann".
  std::string homePath = homeFolder;
  while (homePath.size() > 1 && homePath.back() == '/') homePath.pop_back();
  for (char& c : homePath)
    if (c == '/') c = '\\';
  volatile_.path = user_.name + "\\" + kVolatileKey;
  volatile_.set("HOMEDRIVE", reg::kSz, textBytes(""));
  volatile_.set("HOMEPATH", reg::kSz, textBytes(homePath));
}

std::string FileHiveRegistry::hiveFile(reg::Handle root) const {
  if (root == reg::kLocalMachine) return machine_.file;
  if (root == reg::kCurrentUser) return user_.file;
  return {};
}

FileHiveRegistry::RootHive* FileHiveRegistry::rootHive(reg::Handle root) {
  if (root == reg::kLocalMachine) return &machine_;
  if (root == reg::kCurrentUser) return &user_;
  return nullptr;
}

const FileHiveRegistry::OpenKey* FileHiveRegistry::resolve(reg::Handle key,
                                                           OpenKey& rootScratch) const {
  if (key == reg::kLocalMachine || key == reg::kCurrentUser) {
    rootScratch = {key, key == reg::kLocalMachine ? machine_.name : user_.name, reg::kAllAccess};
    return &rootScratch;
  }
  auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : &it->second;
}

bool FileHiveRegistry::isVolatile(const OpenKey& key) const {
  return key.root == reg::kCurrentUser && HiveFormat::sameName(key.path, volatile_.path);
}

void FileHiveRegistry::markUnusable(RootHive& hive, long failure, const std::string& reason) {
  hive.state = HiveState::Unusable;
  hive.failure = failure;
  hive.hive = {};
  if (reason != hive.reported) {
    diagnostics_ << "Molvane: the registry hive " << hive.file << " cannot be used: " << reason
                 << ". It is left as it is; its keys are taken as missing." << std::endl;
    hive.reported = reason;
  }
}

void FileHiveRegistry::refresh(RootHive& hive, bool force) {
  struct stat st {};
  if (::stat(hive.file.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      // No hive file: no keys yet.
      hive.state = HiveState::Missing;
      hive.stamp = {};
      hive.hive = {};
      hive.reported.clear();
    } else {
      markUnusable(hive, statusFromErrno(errno), std::strerror(errno));
      hive.stamp = {};
    }
    return;
  }
  FileStamp stamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                  static_cast<std::uint64_t>(st.st_size),
                  static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                  static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
  if (!force && hive.state != HiveState::NotRead && hive.state != HiveState::Missing &&
      stamp == hive.stamp)
    return;
  hive.stamp = stamp;

  std::string text;
  int error = 0;
  if (!readWholeFile(hive.file, text, error)) {
    markUnusable(hive, statusFromErrno(error), std::strerror(error));
    return;
  }
  HiveFormat::Hive parsed;
  try {
    parsed = HiveFormat::parse(text);
  } catch (const HiveFormat::ParseError& e) {
    markUnusable(hive, reg::kBadFormat, e.what());
    return;
  }
  for (const HiveFormat::Key& key : parsed.keys) {
    if (!HiveFormat::isAtOrBelow(key.path, hive.name)) {
      markUnusable(hive, reg::kBadFormat,
                   "line " + std::to_string(key.line) + ": the key " + key.path +
                       " does not belong in " + hive.name);
      return;
    }
  }
  // The volatile key lives only in memory; a copy in the file is no part of the hive.
  if (&hive == &user_) parsed.remove(volatile_.path);
  hive.hive = std::move(parsed);
  hive.state = HiveState::Loaded;
  hive.failure = reg::kSuccess;
  hive.reported.clear();
}

bool FileHiveRegistry::fileWritable(const RootHive& hive) const {
  struct stat st {};
  if (::stat(hive.file.c_str(), &st) != 0) return errno == ENOENT;
  // access() lets root write anything, so a file without any write permission bit counts as
  // one that is not to be written either.
  return ::access(hive.file.c_str(), W_OK) == 0 && (st.st_mode & 0222) != 0;
}

long FileHiveRegistry::openKey(reg::Handle parent, const std::string& subKey,
                               std::uint32_t access, reg::Handle* result) {
  if (!result) return reg::kInvalidParameter;
  *result = reg::kNoKey;
  OpenKey scratch{};
  const OpenKey* base = resolve(parent, scratch);
  if (!base) return reg::kInvalidHandle;
  std::vector<std::string> names;
  if (!splitPath(subKey, names)) return reg::kFileNotFound;
  OpenKey opened{base->root, base->path + (subKey.empty() ? "" : "\\" + subKey), access};

  if (isVolatile(opened)) {
    // Made up at start, always there, writable in memory only.
  } else if (HiveFormat::isAtOrBelow(opened.path, volatile_.path) && base->root == reg::kCurrentUser) {
    return reg::kFileNotFound;
  } else {
    RootHive& hive = *rootHive(opened.root);
    refresh(hive, false);
    const bool isRoot = names.empty() && base->path == hive.name;
    if (!isRoot && (hive.state != HiveState::Loaded || !hive.hive.exists(opened.path)))
      return reg::kFileNotFound;
    if ((access & kWriteRights) != 0 && !fileWritable(hive)) return reg::kAccessDenied;
  }
  const reg::Handle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = opened;
  *result = handle;
  return reg::kSuccess;
}

long FileHiveRegistry::queryValue(reg::Handle key, const std::string& name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  OpenKey scratch{};
  const OpenKey* open = resolve(key, scratch);
  if (!open) return reg::kInvalidHandle;
  if (data && !size) return reg::kInvalidParameter;
  if ((open->access & reg::kQueryValue) == 0) return reg::kAccessDenied;

  const HiveFormat::Value* value = nullptr;
  if (isVolatile(*open)) {
    value = volatile_.find(name);
  } else {
    RootHive& hive = *rootHive(open->root);
    refresh(hive, false);
    if (hive.state == HiveState::Unusable) return reg::kFileNotFound;
    const HiveFormat::Key* found = hive.hive.find(open->path);
    if (!found) {
      const bool isRoot = HiveFormat::sameName(open->path, hive.name);
      return isRoot || hive.hive.exists(open->path) ? reg::kFileNotFound : reg::kKeyDeleted;
    }
    value = found->find(name);
  }
  if (!value) return reg::kFileNotFound;

  const auto needed = static_cast<std::uint32_t>(value->data.size());
  if (type) *type = value->type;
  if (!data) {
    if (size) *size = needed;
    return reg::kSuccess;
  }
  if (*size < needed) {
    *size = needed;
    return reg::kMoreData;
  }
  if (needed > 0) std::memcpy(data, value->data.data(), needed);
  *size = needed;
  return reg::kSuccess;
}

long FileHiveRegistry::setValue(reg::Handle key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  OpenKey scratch{};
  const OpenKey* open = resolve(key, scratch);
  if (!open) return reg::kInvalidHandle;
  if ((open->access & reg::kSetValue) == 0) return reg::kAccessDenied;
  if (!data && size > 0) return reg::kInvalidParameter;
  // The hive's text has no way to hold a line break in a name.
  if (hasLineBreakOrZero(name)) return reg::kInvalidParameter;
  std::vector<std::uint8_t> bytes(data, data + size);

  if (isVolatile(*open)) {
    volatile_.set(name, type, std::move(bytes));
    return reg::kSuccess;
  }
  const std::string path = open->path;
  RootHive& hive = *rootHive(open->root);
  return transact(hive, [&](HiveFormat::Hive& h, bool& changed) {
    if (!HiveFormat::sameName(path, hive.name) && !h.exists(path)) return reg::kKeyDeleted;
    h.ensure(path).set(name, type, std::move(bytes));
    changed = true;
    return reg::kSuccess;
  });
}

long FileHiveRegistry::closeKey(reg::Handle key) {
  if (key == reg::kLocalMachine || key == reg::kCurrentUser) return reg::kSuccess;
  return handles_.erase(key) ? reg::kSuccess : reg::kInvalidHandle;
}

long FileHiveRegistry::createKey(reg::Handle root, const std::string& path,
                                 const std::vector<HiveFormat::Value>& values, bool* created) {
  if (created) *created = false;
  RootHive* hive = rootHive(root);
  if (!hive) return reg::kInvalidHandle;
  std::vector<std::string> names;
  if (path.empty() || !splitPath(path, names) || hasLineBreakOrZero(path))
    return reg::kInvalidParameter;
  for (const HiveFormat::Value& v : values)
    if (hasLineBreakOrZero(v.name)) return reg::kInvalidParameter;
  const std::string full = hive->name + "\\" + path;
  // The volatile key is made at start and cannot hold stored keys.
  if (root == reg::kCurrentUser && HiveFormat::isAtOrBelow(full, volatile_.path))
    return reg::kAccessDenied;

  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  if (ec) return statusFromErrno(ec.value());
  return transact(*hive, [&](HiveFormat::Hive& h, bool& changed) {
    if (h.exists(full)) return reg::kSuccess;
    HiveFormat::Key& key = h.ensure(full);
    for (const HiveFormat::Value& v : values) key.set(v.name, v.type, v.data);
    changed = true;
    if (created) *created = true;
    return reg::kSuccess;
  });
}

template <typename Change>
long FileHiveRegistry::transact(RootHive& hive, Change change) {
  FileLock lock(hive.lockFile);
  if (!lock.locked()) return statusFromErrno(lock.error());
  // Under the lock the file is what the last writer left; start from it.
  refresh(hive, true);
  if (hive.state == HiveState::Unusable) return hive.failure;
  if (!fileWritable(hive)) return reg::kAccessDenied;

  HiveFormat::Hive next = hive.hive;
  bool changed = false;
  const long status = change(next, changed);
  if (status != reg::kSuccess || !changed) return status;

  std::string text;
  try {
    text = HiveFormat::write(next);
  } catch (const std::invalid_argument&) {
    return reg::kInvalidParameter;
  }
  const long written = replaceFile(hive, text);
  // Whatever happened, the next read looks at the file again.
  hive.state = HiveState::NotRead;
  return written;
}

long FileHiveRegistry::replaceFile(RootHive& hive, const std::string& text) {
  struct stat old {};
  const bool hadFile = ::stat(hive.file.c_str(), &old) == 0;
  // A hive that is a symbolic link is replaced where the link points, so the link stays.
  std::string target = hive.file;
  if (hadFile) {
    if (char* real = ::realpath(hive.file.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  const std::string folder = std::filesystem::path(target).parent_path().string();

  // A name beginning with "." keeps the temporary out of every listing the program makes.
  std::string temporary = folder + "/." + hive.name + ".reg.XXXXXX";
  int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return statusFromErrno(errno);

  int error = 0;
  if (hadFile) {
    // The new hive keeps the old one's permissions and, where we may, its owner.
    if (::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
    if (!error && geteuid() == 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0) error = errno;
  }
  if (!error && !writeAll(fd, text)) error = errno;
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(temporary.c_str());
    return statusFromErrno(error);
  }
  // Make the rename itself durable. The new hive is in place by now, so a failure here cannot
  // be undone and is not reported.
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return reg::kSuccess;
}

#endif  // !_WIN32
