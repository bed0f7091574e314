#pragma once

#include <cstdint>
#include <string>

// The shell's "open" of a document or web address (ShellExecuteA on Windows).
class ShellOpener {
public:
  virtual ~ShellOpener() = default;
  // owner: the native handle of the owner window (0 for none). The result is not reported:
  // whatever goes wrong is the shell's to show.
  virtual void open(std::uintptr_t owner, const std::string& operation, const std::string& file,
                    const std::string& parameters, const std::string& directory,
                    int showCommand) = 0;
};

// ShowWindow commands used by the program.
inline constexpr int kSwShowMaximized = 3;
inline constexpr int kSwShow = 5;
