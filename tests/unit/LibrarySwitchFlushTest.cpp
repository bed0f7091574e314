#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "LibrarySwitch.h"
#include "Locations.h"
#include "MolvaneHome.h"  // SystemFileSystem
#include "StepFaultFileSystem.h"
#include "TempDir.h"

namespace stdfs = std::filesystem;

namespace {

bool startsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// The renames of a switch are flushed once per folder, and all of them before "Library Name"
// names the new library: a crash can then lose renames only while the journal still finishes
// them, never after the name has moved on.
TEST(LibrarySwitchFlushTest, RenamesAreFlushedOncePerFolderBeforeTheNameIsStored) {
  TempDir dir;
  const stdfs::path music = dir.path() / "My Music";
  const std::vector<std::string> names = {"iTunes Library.itl", "iTunes Music Library.xml",
                                          "Cover.jpg"};
  for (const char* folder : {"iTunes", "Molvane/Lib A", "Molvane/Lib B"}) {
    stdfs::create_directories(music / folder);
    for (const std::string& name : names) writeText(music / folder / name, folder + name);
  }
  SwitchRequest request;
  request.musicFolder = toProgramPath(music);
  request.previousLibrary = "Lib A";
  request.selectedLibrary = "Lib B";
  request.ticked = names;
  request.saveBack = true;

  SystemFileSystem disk;
  StepFaultFileSystem steps(disk);
  std::size_t stepsWhenStored = 0;
  std::string stored;
  LibrarySwitch librarySwitch(steps, [&](const std::string& name) {
    stepsWhenStored = steps.log().size();
    stored = name;
  });
  ASSERT_EQ(librarySwitch.run(request), LibrarySwitch::Outcome::Done);
  EXPECT_EQ(stored, "Lib B");
  for (const std::string& name : names) {
    EXPECT_EQ(readText(music / "iTunes" / name), "Molvane/Lib B" + name);
    EXPECT_EQ(readText(music / "Molvane/Lib A" / name), "iTunes" + name);
  }

  const std::vector<std::string>& log = steps.log();
  std::vector<std::string> flushed;
  std::size_t lastRename = 0, firstFlush = log.size(), lastFlush = 0;
  for (std::size_t i = 0; i < log.size(); ++i) {
    EXPECT_FALSE(startsWith(log[i], "renameReplace ")) << log[i];
    if (startsWith(log[i], "renameReplaceUnflushed ")) lastRename = i;
    if (startsWith(log[i], "flushFolder ")) {
      flushed.push_back(log[i].substr(12));
      firstFlush = std::min(firstFlush, i);
      lastFlush = i;
    }
  }
  std::sort(flushed.begin(), flushed.end());
  std::vector<std::string> folders = {
      Locations::iTunesFolder(request.musicFolder),
      Locations::libraryFolder(request.musicFolder, "Lib A")};
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(flushed, folders);
  EXPECT_GT(firstFlush, lastRename);
  EXPECT_LT(lastFlush, stepsWhenStored);
}

}  // namespace
