#include "Win32FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

fs::Error errorKind(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
      return fs::Error::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return fs::Error::AccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return fs::Error::NoSpace;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return fs::Error::Exists;
    case ERROR_DIRECTORY:
      return fs::Error::IsDirectory;
    default:
      return fs::Error::Other;
  }
}

std::string systemText(DWORD code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = length && buffer ? std::string(buffer, length) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                           text.back() == '.'))
    text.pop_back();
  if (text.empty()) text = "system error " + std::to_string(code);
  return text;
}

// The reason is the system's own text only: callers name the file and folder themselves.
fs::Result failure(DWORD code) { return {errorKind(code), systemText(code)}; }

fs::Result lastError() { return failure(GetLastError()); }

// Closes a handle when it goes out of scope.
class Handle {
public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }
  BOOL close() {
    BOOL ok = TRUE;
    if (valid()) ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

private:
  HANDLE h_;
};

std::string folderOf(const std::string& path) {
  const auto at = path.find_last_of("\\/");
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string nameOf(const std::string& path) {
  const auto at = path.find_last_of("\\/");
  return at == std::string::npos ? path : path.substr(at + 1);
}

// A name beside the target that no scan of the program lists (it begins with ".") and that no
// other copy running at the same time picks.
std::string temporaryBeside(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  return folderOf(target) + "." + nameOf(target) + "." + std::to_string(GetCurrentProcessId()) +
         "." + std::to_string(++counter) + ".tmp";
}

// CopyFileA refuses to replace a read-only file, and so does a rename on Windows; Wine's rename
// does not, so the layer checks for itself.
bool readOnlyFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

constexpr DWORD kChunk = 256 * 1024;

// Copies the open source into the open target, chunk by chunk, then gives the target the
// source's modification time and flushes it.
fs::Result copyData(HANDLE in, HANDLE out, const fs::CopyProgress& progress) {
  std::vector<char> buffer(kChunk);
  std::uint64_t done = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buffer.data(), kChunk, &got, nullptr)) return lastError();
    if (got == 0) break;
    DWORD offset = 0;
    while (offset < got) {
      DWORD put = 0;
      if (!WriteFile(out, buffer.data() + offset, got - offset, &put, nullptr))
        return lastError();
      if (put == 0) return failure(ERROR_DISK_FULL);
      offset += put;
    }
    done += got;
    if (progress && !progress(done)) return {fs::Error::Cancelled, "Cancelled"};
  }
  FILETIME created, accessed, written;
  if (!GetFileTime(in, &created, &accessed, &written)) return lastError();
  if (!SetFileTime(out, nullptr, nullptr, &written)) return lastError();
  if (!FlushFileBuffers(out)) return lastError();
  return fs::Result::success();
}

// Opens a file for reading, telling a folder apart from a missing file.
HANDLE openSource(const std::string& source, fs::Result& result) {
  const DWORD attributes = GetFileAttributesA(source.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    result = lastError();
    return INVALID_HANDLE_VALUE;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    result = {fs::Error::IsDirectory, "Is a folder"};
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) result = lastError();
  return h;
}

}  // namespace

std::vector<fs::DirEntry> Win32FileSystem::findEntries(const std::string& searchPath) {
  std::vector<fs::DirEntry> entries;
  WIN32_FIND_DATAA data;
  // Every kind of entry is wanted (hidden and system ones too), and FindFirstFileA filters
  // nothing, so its answers are taken as they come.
  HANDLE find = FindFirstFileA(searchPath.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    entries.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return entries;
}

fs::EntryKind Win32FileSystem::kindOf(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return fs::EntryKind::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? fs::EntryKind::Directory : fs::EntryKind::File;
}

fs::Result Win32FileSystem::createDirectory(const std::string& path) {
  if (!CreateDirectoryA(path.c_str(), nullptr)) return lastError();
  return fs::Result::success();
}

fs::Result Win32FileSystem::removeDirectory(const std::string& path) {
  if (!RemoveDirectoryA(path.c_str())) return lastError();
  return fs::Result::success();
}

fs::Result Win32FileSystem::copyToNew(const std::string& source, const std::string& target,
                                      const fs::CopyProgress& progress) {
  fs::Result result;
  Handle in(openSource(source, result));
  if (!in.valid()) return result;
  // CREATE_NEW: the target must not exist, so a name in use is never overwritten.
  Handle out(CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.valid()) return lastError();
  result = copyData(in.get(), out.get(), progress);
  if (result.ok() && !out.close()) result = lastError();
  if (!result.ok()) {
    out.close();
    DeleteFileA(target.c_str());
  }
  return result;
}

fs::Result Win32FileSystem::copyFile(const std::string& source, const std::string& target,
                                     const fs::CopyProgress& progress) {
  // Checked before copying too, so that a refused target costs no copy.
  if (readOnlyFile(target)) return failure(ERROR_ACCESS_DENIED);
  std::string temporary = temporaryBeside(target);
  fs::Result result = copyToNew(source, temporary, progress);
  for (int attempt = 0; result.error == fs::Error::Exists && attempt < 8; ++attempt) {
    temporary = temporaryBeside(target);
    result = copyToNew(source, temporary, progress);
  }
  if (!result.ok()) return result;
  result = renameReplace(temporary, target);
  if (!result.ok()) DeleteFileA(temporary.c_str());
  return result;
}

fs::Result Win32FileSystem::renameReplace(const std::string& from, const std::string& to) {
  if (readOnlyFile(to)) return failure(ERROR_ACCESS_DENIED);
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return lastError();
  return fs::Result::success();
}

fs::Result Win32FileSystem::removeFile(const std::string& path) {
  if (!DeleteFileA(path.c_str())) return lastError();
  return fs::Result::success();
}

fs::Result Win32FileSystem::writeFile(const std::string& path, const std::string& data) {
  const std::string temporary = temporaryBeside(path);
  fs::Result result;
  {
    Handle out(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid()) return lastError();
    std::size_t offset = 0;
    while (result.ok() && offset < data.size()) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - offset, kChunk));
      DWORD put = 0;
      if (!WriteFile(out.get(), data.data() + offset, want, &put, nullptr))
        result = lastError();
      else if (put == 0)
        result = failure(ERROR_DISK_FULL);
      offset += put;
    }
    if (result.ok() && !FlushFileBuffers(out.get())) result = lastError();
    if (!out.close() && result.ok()) result = lastError();
  }
  if (result.ok()) result = renameReplace(temporary, path);
  if (!result.ok()) DeleteFileA(temporary.c_str());
  return result;
}

fs::Result Win32FileSystem::readFile(const std::string& path, std::string& data) {
  fs::Result result;
  Handle in(openSource(path, result));
  if (!in.valid()) return result;
  std::string content;
  std::vector<char> buffer(kChunk);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.get(), buffer.data(), kChunk, &got, nullptr)) return lastError();
    if (got == 0) break;
    content.append(buffer.data(), got);
  }
  data = std::move(content);
  return fs::Result::success();
}

std::uint64_t Win32FileSystem::fileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) return 0;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}
