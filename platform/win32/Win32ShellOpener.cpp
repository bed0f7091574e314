#include "Win32ShellOpener.h"

#include <windows.h>
#include <shellapi.h>

void Win32ShellOpener::open(std::uintptr_t owner, const std::string& operation,
                            const std::string& file, const std::string& parameters,
                            const std::string& directory, int showCommand) {
  // Empty parameters and folder go as NULL, as the program's callers pass them.
  ShellExecuteA(reinterpret_cast<HWND>(owner), operation.empty() ? nullptr : operation.c_str(),
                file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                directory.empty() ? nullptr : directory.c_str(), showCommand);
}
