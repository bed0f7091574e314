#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/FileSystem.h"

// Thrown at the chosen step in place of the process stopping there: nothing after it runs, not
// even clean-up. Deliberately not a std::exception, so no handler of the program catches it.
struct SimulatedCrash {};

// Passes every call to another file system and counts the ones that change or read files
// (copies, renames, removals, writes, reads, folder changes; the queries kindOf, fileSize and
// findEntries are not steps). One chosen step fails, and another may crash: the way to prove
// that a failure or a crash at any moment loses nothing.
class StepFaultFileSystem : public fs::FileSystem {
public:
  enum class Fault {
    Before,  // the step answers a failure without doing anything
    After,   // the step is done, then answers a failure (a flush that failed after a rename)
  };

  explicit StepFaultFileSystem(fs::FileSystem& inner) : inner_(inner) {}

  // Step numbers count from 1; 0 means never.
  void failAt(std::uint64_t step, Fault fault = Fault::Before) {
    failStep_ = step;
    fault_ = fault;
  }
  // A crash leaves what a real one would: a copy or write in progress leaves a partial file.
  void crashAt(std::uint64_t step) { crashStep_ = step; }

  std::uint64_t steps() const { return steps_; }
  bool failed() const { return failed_; }
  bool crashed() const { return crashed_; }
  // "operation path" for every step, in order.
  const std::vector<std::string>& log() const { return log_; }

  static constexpr const char* kReason = "injected failure";

  std::vector<fs::DirEntry> findEntries(const std::string& searchPath) override {
    return inner_.findEntries(searchPath);
  }
  fs::EntryKind kindOf(const std::string& path) override { return inner_.kindOf(path); }
  std::uint64_t fileSize(const std::string& path) override { return inner_.fileSize(path); }

  fs::Result createDirectory(const std::string& path) override;
  fs::Result removeDirectory(const std::string& path) override;
  fs::Result copyFile(const std::string& source, const std::string& target,
                      const fs::CopyProgress& progress = {}) override;
  fs::Result copyToNew(const std::string& source, const std::string& target,
                       const fs::CopyProgress& progress = {}) override;
  fs::Result renameReplace(const std::string& from, const std::string& to) override;
  fs::Result renameReplaceUnflushed(const std::string& from, const std::string& to) override;
  fs::Result flushFolder(const std::string& folder) override;
  fs::Result removeFile(const std::string& path) override;
  fs::Result writeFile(const std::string& path, const std::string& data) override;
  fs::Result readFile(const std::string& path, std::string& data) override;

private:
  template <class Call, class Torn>
  fs::Result step(const std::string& what, Call call, Torn torn);
  // Half of a source's data written to a path: what an interrupted copy leaves behind.
  void leaveHalf(const std::string& source, const std::string& path);

  fs::FileSystem& inner_;
  std::uint64_t steps_ = 0, failStep_ = 0, crashStep_ = 0;
  Fault fault_ = Fault::Before;
  bool failed_ = false, crashed_ = false;
  std::vector<std::string> log_;
};
