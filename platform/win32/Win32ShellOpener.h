#pragma once

#include "shell/ShellOpener.h"

// The shell's "open" through ShellExecuteA.
class Win32ShellOpener : public ShellOpener {
public:
  void open(std::uintptr_t owner, const std::string& operation, const std::string& file,
            const std::string& parameters, const std::string& directory,
            int showCommand) override;
};
