#pragma once

#include "process/ProcessProbe.h"

// Looks for a process by its image name in the system's process snapshot.
class Win32ProcessProbe : public ProcessProbe {
public:
  bool isRunning(const std::string& executableName) override;
};
