#pragma once

#include <string>

#include "process/ProcessProbe.h"

// Looks through the system's process list (Toolhelp32) for a process of that image name.
class Win32ProcessProbe : public ProcessProbe {
public:
  bool isRunning(const std::string& executableName) override;
};
