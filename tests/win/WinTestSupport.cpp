#include "WinTestSupport.h"

#include <algorithm>
#include <stdexcept>

bool runningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

ScratchKey::ScratchKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
  RegDeleteTreeA(root_, path_.c_str());
  if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create the test key " + path_);
}

ScratchKey::~ScratchKey() {
  RegCloseKey(key_);
  RegDeleteTreeA(root_, path_.c_str());
  // The level above goes too once no other scratch key is left in it (a key with subkeys
  // cannot be deleted this way).
  const auto at = path_.find_last_of('\\');
  if (at != std::string::npos) RegDeleteKeyA(root_, path_.substr(0, at).c_str());
}

void ScratchKey::setValue(const std::string& name, DWORD type,
                          const std::vector<std::uint8_t>& data) {
  if (RegSetValueExA(key_, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())) !=
      ERROR_SUCCESS)
    throw std::runtime_error("cannot set the test value " + name);
}

void ScratchKey::setString(const std::string& name, const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  setValue(name, REG_SZ, data);
}

void ScratchKey::setDword(const std::string& name, DWORD value) {
  std::vector<std::uint8_t> data(4);
  for (int i = 0; i < 4; ++i) data[static_cast<size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  setValue(name, REG_DWORD, data);
}

bool ScratchKey::value(const std::string& name, DWORD& type,
                       std::vector<std::uint8_t>& data) const {
  DWORD size = 0;
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  data.assign(size, 0);
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    return false;
  data.resize(size);
  return true;
}

std::vector<std::string> ScratchKey::subkeys() const {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

namespace {

HANDLE openForTimes(const std::string& path, DWORD access) {
  HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  return h;
}

}  // namespace

void setWriteTime(const std::string& path, std::uint64_t ticks) {
  HANDLE h = openForTimes(path, FILE_WRITE_ATTRIBUTES);
  FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const BOOL ok = SetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
  if (!ok) throw std::runtime_error("cannot set the time of " + path);
}

std::uint64_t writeTime(const std::string& path) {
  HANDLE h = openForTimes(path, FILE_READ_ATTRIBUTES);
  FILETIME t{};
  const BOOL ok = GetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
  if (!ok) throw std::runtime_error("cannot read the time of " + path);
  return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

HANDLE holdExclusively(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + path);
  return h;
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}
