#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FailureReporter.h"
#include "shell/ShellOpener.h"

// Records the failure boxes the program would show.
class RecordingReporter : public FailureReporter {
public:
  void showFailure(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

// Records the shell calls instead of starting anything.
class RecordingShell : public ShellOpener {
public:
  struct Call {
    std::uintptr_t owner;
    std::string operation, file, parameters, directory;
    int showCommand;
  };
  void open(std::uintptr_t owner, const std::string& operation, const std::string& file,
            const std::string& parameters, const std::string& directory,
            int showCommand) override {
    calls.push_back({owner, operation, file, parameters, directory, showCommand});
  }
  std::vector<Call> calls;
};
