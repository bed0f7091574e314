#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Fakes.h"
#include "FaultyFileSystem.h"
#include "MemoryRegistry.h"
#include "Services.h"
#include "TempDir.h"
#include "controls/TApplication.h"
#include "headless/HeadlessBackend.h"

#if defined(_WIN32)
#include "win32/Win32FileSystem.h"
using SystemFileSystem = Win32FileSystem;
#else
#include "posix/PosixFileSystem.h"
using SystemFileSystem = PosixFileSystem;
#endif

class TForm1;
class TForm2;

// A whole program on the headless backend, over a temporary home folder and a registry in
// memory: arrange the folders and settings, then start() creates both windows as the program's
// entry does. Files go through a FaultyFileSystem over the real one, so a test can make a
// single operation fail.
class MolvaneHome {
public:
  MolvaneHome();
  ~MolvaneHome();

  TempDir temp;
  std::filesystem::path home, music, iTunes, librariesRoot;

  SystemFileSystem disk;
  FaultyFileSystem files{disk};
  MemoryRegistry registry;
  RecordingShell shell;
  HeadlessBackend backend;
  RecordingReporter reporter;
  // Handed to the program at start(): whether iTunes runs, where copies are shown, and a layer
  // of files in place of `files` (a wrapper around it). None by default.
  ProcessProbe* processes = nullptr;
  ProgressDisplay* progress = nullptr;
  fs::FileSystem* filesLayer = nullptr;

  // The settings as found at start: "Library Name", "First Use" (1: no seeding), the options.
  void settings(const std::string& libraryName, bool overwriteLibrary, bool copyContent);
  // A library folder holding these files (each file's text is its own name).
  void library(const std::string& name, const std::vector<std::string>& files = {});
  // Files in the iTunes folder (each file's text is its own name).
  void iTunesFiles(const std::vector<std::string>& names);

  // Creates the main window and the name dialog, as the program's entry does, drawn by the
  // headless backend or by the one given.
  void start();
  void start(ControlBackend& drawnBy);
  bool started() const { return app_ != nullptr; }
  TApplication& app() { return *app_; }
  TForm1& form1() { return *form1_; }
  TForm2& form2() { return *form2_; }
  // The slot whose text is that library's name (a test failure and -1 when none is).
  int slotOf(const std::string& library);
  // The settings key's values, and one string value of it without its terminating zero.
  const MemoryRegistry::Values& storedSettings();
  std::string storedText(const std::string& name);

  // Names in a folder, sorted; empty when it does not exist.
  static std::vector<std::string> namesIn(const std::filesystem::path& folder);

private:
  std::unique_ptr<Services> services_;
  std::unique_ptr<TApplication> app_;
  TForm1* form1_ = nullptr;
  TForm2* form2_ = nullptr;
};
