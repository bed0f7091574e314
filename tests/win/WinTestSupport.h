#pragma once

#include <windows.h>
// windows.h makes these key codes macros; the controls declare constants of the same names and
// values, which the macros would break. Without the macros, either order of includes works.
#undef VK_RETURN
#undef VK_ESCAPE
#undef VK_SPACE

#include <cstdint>
#include <string>
#include <vector>

// Helpers for tests that work with the real Win32 registry and files.

// Whether the tests run under Wine. Cases that write below HKEY_LOCAL_MACHINE or into the user's
// home folder only run there, in the throwaway prefix that scripts/test-windows makes.
bool runningUnderWine();

// A registry key that the test creates below a root for itself (the accessor never creates
// keys) and deletes with everything below it at the end.
class ScratchKey {
public:
  // path below root, such as "Software\\MolvaneTest\\Contract"; an existing key is emptied
  // first so every test starts from nothing.
  ScratchKey(HKEY root, std::string path);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  HKEY root() const { return root_; }
  const std::string& path() const { return path_; }
  HKEY handle() const { return key_; }

  void setValue(const std::string& name, DWORD type, const std::vector<std::uint8_t>& data);
  void setString(const std::string& name, const std::string& text);  // REG_SZ with its zero byte
  void setDword(const std::string& name, DWORD value);
  // The stored type and bytes, read straight from the system; false when the value is missing.
  bool value(const std::string& name, DWORD& type, std::vector<std::uint8_t>& data) const;
  // Names of the subkeys, to see that nothing was created below.
  std::vector<std::string> subkeys() const;

private:
  HKEY root_;
  std::string path_;
  HKEY key_ = nullptr;
};

// Sets a file's modification time from a count of 100 ns ticks since 1601.
void setWriteTime(const std::string& path, std::uint64_t ticks);
std::uint64_t writeTime(const std::string& path);

// Opens a file the way another program holding it would: no sharing at all.
HANDLE holdExclusively(const std::string& path);

// The names in a folder other than "." and "..", sorted.
std::vector<std::string> namesIn(const std::string& folder);
