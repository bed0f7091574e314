#pragma once

#include <string>

#include "process/ProcessProbe.h"

// Reads the process table under /proc (or another folder, for tests).
class ProcProcessProbe : public ProcessProbe {
public:
  explicit ProcProcessProbe(std::string procFolder = "/proc") : proc_(std::move(procFolder)) {}
  bool isRunning(const std::string& executableName) override;

private:
  std::string proc_;
};
