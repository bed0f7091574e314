#pragma once

#include <string>
#include <vector>

#include "files/FileSystem.h"

// Passes every call to a real file system, except the ones a test has marked to fail: a fault
// names an operation and the end of the path it fails for, and answers its result instead of
// doing anything. Every call is recorded as "operation path" (copies as "operation source ->
// target").
class FaultyFileSystem : public fs::FileSystem {
public:
  explicit FaultyFileSystem(fs::FileSystem& inner) : inner_(inner) {}

  struct Fault {
    std::string operation;  // "copyFile", "createDirectory", "removeDirectory", "removeFile", ...
    std::string pathEnd;    // the target's (or only path's) last characters
    fs::Result result;
  };
  std::vector<Fault> faults;
  std::vector<std::string> calls;

  void failOn(const std::string& operation, const std::string& pathEnd, fs::Error error,
              const std::string& reason) {
    faults.push_back({operation, pathEnd, fs::Result{error, reason}});
  }
  // The calls of one operation, in order.
  std::vector<std::string> callsOf(const std::string& operation) const {
    std::vector<std::string> out;
    for (const std::string& call : calls)
      if (call.compare(0, operation.size() + 1, operation + " ") == 0)
        out.push_back(call.substr(operation.size() + 1));
    return out;
  }

  std::vector<fs::DirEntry> findEntries(const std::string& searchPath) override {
    calls.push_back("findEntries " + searchPath);
    return inner_.findEntries(searchPath);
  }
  fs::EntryKind kindOf(const std::string& path) override { return inner_.kindOf(path); }
  fs::Result createDirectory(const std::string& path) override {
    return run("createDirectory", path, [&] { return inner_.createDirectory(path); });
  }
  fs::Result removeDirectory(const std::string& path) override {
    return run("removeDirectory", path, [&] { return inner_.removeDirectory(path); });
  }
  fs::Result copyFile(const std::string& source, const std::string& target,
                      const fs::CopyProgress& progress = {}) override {
    return run(
        "copyFile", target, [&] { return inner_.copyFile(source, target, progress); }, source);
  }
  fs::Result copyToNew(const std::string& source, const std::string& target,
                       const fs::CopyProgress& progress = {}) override {
    return run(
        "copyToNew", target, [&] { return inner_.copyToNew(source, target, progress); }, source);
  }
  fs::Result renameReplace(const std::string& from, const std::string& to) override {
    return run(
        "renameReplace", to, [&] { return inner_.renameReplace(from, to); }, from);
  }
  fs::Result removeFile(const std::string& path) override {
    return run("removeFile", path, [&] { return inner_.removeFile(path); });
  }
  fs::Result writeFile(const std::string& path, const std::string& data) override {
    return run("writeFile", path, [&] { return inner_.writeFile(path, data); });
  }
  fs::Result readFile(const std::string& path, std::string& data) override {
    return run("readFile", path, [&] { return inner_.readFile(path, data); });
  }
  std::uint64_t fileSize(const std::string& path) override { return inner_.fileSize(path); }

private:
  template <class Call>
  fs::Result run(const std::string& operation, const std::string& path, Call call,
                 const std::string& from = {}) {
    calls.push_back(operation + " " + (from.empty() ? path : from + " -> " + path));
    for (const Fault& f : faults)
      if (f.operation == operation && path.size() >= f.pathEnd.size() &&
          path.compare(path.size() - f.pathEnd.size(), f.pathEnd.size(), f.pathEnd) == 0)
        return f.result;
    return call();
  }

  fs::FileSystem& inner_;
};
