#pragma once

#include <string>

// Asks whether a program is running, so that files are never swapped under it.
class ProcessProbe {
public:
  virtual ~ProcessProbe() = default;
  // Whether a process of that executable name runs (compared without regard to case): on
  // Windows its image name, elsewhere its name or the program its command line starts, as a
  // Windows program under Wine shows.
  virtual bool isRunning(const std::string& executableName) = 0;
};
