#include "StepFaultFileSystem.h"

#include "Locations.h"

template <class Call, class Torn>
fs::Result StepFaultFileSystem::step(const std::string& what, Call call, Torn torn) {
  ++steps_;
  log_.push_back(what);
  if (steps_ == crashStep_) {
    crashed_ = true;
    torn();
    throw SimulatedCrash{};
  }
  if (steps_ != failStep_) return call();
  failed_ = true;
  if (fault_ == Fault::After) call();
  return {fs::Error::Other, kReason};
}

void StepFaultFileSystem::leaveHalf(const std::string& source, const std::string& path) {
  std::string data;
  if (inner_.readFile(source, data)) inner_.writeFile(path, data.substr(0, data.size() / 2));
}

fs::Result StepFaultFileSystem::createDirectory(const std::string& path) {
  return step("createDirectory " + path, [&] { return inner_.createDirectory(path); }, [] {});
}

fs::Result StepFaultFileSystem::removeDirectory(const std::string& path) {
  return step("removeDirectory " + path, [&] { return inner_.removeDirectory(path); }, [] {});
}

// A real copy writes a temporary beside its target; a crash leaves it there.
fs::Result StepFaultFileSystem::copyFile(const std::string& source, const std::string& target,
                                         const fs::CopyProgress& progress) {
  return step(
      "copyFile " + source + " -> " + target,
      [&] { return inner_.copyFile(source, target, progress); },
      [&] {
        leaveHalf(source, Locations::inFolder(Locations::folderOf(target),
                                              std::string(fs::kTemporaryPrefix) + "copy-crash"));
      });
}

fs::Result StepFaultFileSystem::copyToNew(const std::string& source, const std::string& target,
                                          const fs::CopyProgress& progress) {
  return step(
      "copyToNew " + source + " -> " + target,
      [&] { return inner_.copyToNew(source, target, progress); },
      [&] { leaveHalf(source, target); });
}

fs::Result StepFaultFileSystem::renameReplace(const std::string& from, const std::string& to) {
  return step("renameReplace " + from + " -> " + to,
              [&] { return inner_.renameReplace(from, to); }, [] {});
}

fs::Result StepFaultFileSystem::renameReplaceUnflushed(const std::string& from,
                                                       const std::string& to) {
  return step("renameReplaceUnflushed " + from + " -> " + to,
              [&] { return inner_.renameReplaceUnflushed(from, to); }, [] {});
}

fs::Result StepFaultFileSystem::flushFolder(const std::string& folder) {
  return step("flushFolder " + folder, [&] { return inner_.flushFolder(folder); }, [] {});
}

fs::Result StepFaultFileSystem::removeFile(const std::string& path) {
  return step("removeFile " + path, [&] { return inner_.removeFile(path); }, [] {});
}

fs::Result StepFaultFileSystem::writeFile(const std::string& path, const std::string& data) {
  return step(
      "writeFile " + path, [&] { return inner_.writeFile(path, data); },
      [&] {
        inner_.writeFile(Locations::inFolder(Locations::folderOf(path),
                                             std::string(fs::kTemporaryPrefix) + "write-crash"),
                         data.substr(0, data.size() / 2));
      });
}

fs::Result StepFaultFileSystem::readFile(const std::string& path, std::string& data) {
  return step("readFile " + path, [&] { return inner_.readFile(path, data); }, [] {});
}
