#pragma once

#include <string>
#include <vector>

#include "process/ProcessProbe.h"

// Says a program runs, or not, as the test sets it, and records what it was asked.
class FakeProcessProbe : public ProcessProbe {
public:
  bool running = false;
  std::vector<std::string> asked;

  bool isRunning(const std::string& executableName) override {
    asked.push_back(executableName);
    return running;
  }
};
