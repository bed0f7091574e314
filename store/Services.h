#pragma once

#include <string>

#include "FailureReporter.h"
#include "controls/ProgressDisplay.h"
#include "process/ProcessProbe.h"
#include "files/FileSystem.h"
#include "registry/RegistryBackend.h"
#include "shell/ShellOpener.h"

// The platform services the handlers work with, built once by the program's entry (or by a
// test) and handed down.
struct Services {
  reg::Backend& registry;
  fs::FileSystem& files;
  ShellOpener& shell;
  // Full path of the running executable, with "\" separators.
  std::string executablePath;
  // Whether iTunes runs; none means it is never found running.
  ProcessProbe* processes = nullptr;
  // Shows long copies; none means they show nothing.
  ProgressDisplay* progress = nullptr;
};
