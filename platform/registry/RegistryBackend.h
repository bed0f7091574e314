#pragma once

#include <cstdint>
#include <string>

// The registry as the Win32 calls present it: predefined roots, opened keys as handles, values
// as a type plus raw bytes, and Win32 status codes. The accessor above it (TRegistry) relies on
// exactly these semantics, so every backend must keep them.
namespace reg {

using Handle = std::uintptr_t;

// Predefined root handles, numerically equal to Windows' own.
inline constexpr Handle kNoKey = 0;
inline constexpr Handle kCurrentUser = 0x80000001u;
inline constexpr Handle kLocalMachine = 0x80000002u;

// Win32 status codes that callers look at.
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidHandle = 6;
inline constexpr long kNotEnoughMemory = 8;
inline constexpr long kWriteFault = 29;
inline constexpr long kDiskFull = 112;
inline constexpr long kInvalidParameter = 87;
inline constexpr long kMoreData = 234;
inline constexpr long kBadFormat = 1009;  // ERROR_BADDB: the hive is corrupt
inline constexpr long kKeyDeleted = 1018;  // ERROR_KEY_DELETED: an open key has gone

// Value types.
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
inline constexpr std::uint32_t kQword = 11;

// Access rights.
inline constexpr std::uint32_t kQueryValue = 0x0001;
inline constexpr std::uint32_t kSetValue = 0x0002;
inline constexpr std::uint32_t kCreateSubKey = 0x0004;
inline constexpr std::uint32_t kEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kNotify = 0x0010;
inline constexpr std::uint32_t kRead = 0x20019;
inline constexpr std::uint32_t kAllAccess = 0xF003F;

class Backend {
public:
  virtual ~Backend() = default;

  // RegOpenKeyEx: opens subKey below parent (a root or an open key) with the given rights.
  // Never creates the key. On success *result holds a new handle that closeKey releases.
  virtual long openKey(Handle parent, const std::string& subKey, std::uint32_t access,
                       Handle* result) = 0;

  // RegQueryValueEx: type may be null; data may be null to ask for the size only. When *size
  // is too small for the data, answers kMoreData with *size set to the size needed.
  virtual long queryValue(Handle key, const std::string& name, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) = 0;

  // RegSetValueEx: creates or replaces the value, storing exactly the bytes given.
  virtual long setValue(Handle key, const std::string& name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) = 0;

  // RegCloseKey. Closing a predefined root is a no-op success.
  virtual long closeKey(Handle key) = 0;
};

}  // namespace reg
