#pragma once

#include <cstdint>
#include <string>

// Shows how far a long copy has come, with a way to cancel it. Nothing shows until the work
// has run for half a second; while it shows, no other command of the program can run.
class ProgressDisplay {
public:
  virtual ~ProgressDisplay() = default;
  virtual void begin(const std::string& title, std::uint64_t totalBytes) = 0;
  // Answers false once the user has asked to cancel.
  virtual bool update(const std::string& file, std::uint64_t doneBytes) = 0;
  virtual void end() = 0;
};
