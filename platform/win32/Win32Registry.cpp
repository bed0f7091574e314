#include "Win32Registry.h"

#include <windows.h>

#include <vector>

namespace {

HKEY toHkey(reg::Handle handle) {
  if (handle == reg::kCurrentUser) return HKEY_CURRENT_USER;
  if (handle == reg::kLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<HKEY>(handle);
}

reg::Handle toHandle(HKEY key) {
  if (key == HKEY_CURRENT_USER) return reg::kCurrentUser;
  if (key == HKEY_LOCAL_MACHINE) return reg::kLocalMachine;
  return reinterpret_cast<reg::Handle>(key);
}

bool isRoot(reg::Handle handle) {
  return handle == reg::kCurrentUser || handle == reg::kLocalMachine;
}

}  // namespace

long Win32Registry::openKey(reg::Handle parent, const std::string& subKey, std::uint32_t access,
                            reg::Handle* result) {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExA(toHkey(parent), subKey.c_str(), 0, access, &opened);
  if (status == ERROR_SUCCESS && result) *result = toHandle(opened);
  return status;
}

long Win32Registry::queryValue(reg::Handle key, const std::string& name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
  DWORD kind = REG_NONE;
  DWORD bytes = size ? *size : 0;
  const LSTATUS status = RegQueryValueExA(toHkey(key), name.c_str(), nullptr, &kind, data,
                                          size ? &bytes : nullptr);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    if (type) *type = kind;
    if (size) *size = bytes;
  }
  return status;
}

long Win32Registry::setValue(reg::Handle key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
  // For string types RegSetValueExA looks at the byte after the data and, when the data lacks
  // its terminating zero and that byte is zero, stores one byte more. Hand it a copy followed
  // by a byte that is not zero, so exactly the bytes given are stored and nothing past the
  // caller's buffer is read.
  if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && size > 0 &&
      data[size - 1] != 0) {
    std::vector<std::uint8_t> copy(data, data + size);
    copy.push_back(0xFF);
    return RegSetValueExA(toHkey(key), name.c_str(), 0, type, copy.data(), size);
  }
  return RegSetValueExA(toHkey(key), name.c_str(), 0, type, data, size);
}

long Win32Registry::closeKey(reg::Handle key) {
  if (isRoot(key)) return ERROR_SUCCESS;
  return RegCloseKey(toHkey(key));
}
