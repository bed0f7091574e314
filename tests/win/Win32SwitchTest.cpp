// "Make library active" through the main window over the real registry and files: the switch
// goes through and stores "Library Name" in the settings key, and a file that another program
// holds open without sharing (which only Windows enforces) makes it fail with nothing changed.
#include <gtest/gtest.h>

#include <iterator>

#include "Main.h"
#include "WineHome.h"

namespace {

namespace stdfs = std::filesystem;

// Names below the music folder that a switch leaves behind: temporaries, backups, its journal.
std::vector<std::string> leftovers(const std::map<std::string, std::string>& files) {
  std::vector<std::string> found;
  for (const auto& [path, content] : files)
    if (stdfs::path(path).filename().string().front() == '.') found.push_back(path);
  return found;
}

class WineSwitch : public WineHome {
protected:
  // Lib 1 active, Lib 2 selected, with the option to save the iTunes files back first.
  void arrange() {
    settings("Lib 1", 1, 1, 0);
    fill(iTunes(), kDatabase, "iTunes");
    fill(iTunes(), {"Artwork.db"}, "iTunes");
    fill(library("Lib 1"), kDatabase, "Lib 1");
    fill(library("Lib 2"), kDatabase, "Lib 2");
    start();
    ASSERT_EQ(slots()[1], "Lib 2");
    form1->LibGroup->userSelect(1);
    ASSERT_EQ(listed(), names(library("Lib 2")));
  }
};

TEST_F(WineSwitch, StoresTheNameAndMovesTheFiles) {
  arrange();
  const int indicatorBefore = form1->Image1->Top();
  form1->Button2->userClick();

  EXPECT_TRUE(reporter.messages.empty()) << reporter.messages.front();
  EXPECT_EQ(stored("Library Name", REG_SZ), bytesOf(std::string("Lib 2\0", 6)));
  for (const std::string& n : kDatabase) {
    EXPECT_EQ(readText(iTunes() / n), "Lib 2:" + n);
    EXPECT_EQ(readText(library("Lib 1") / n), "iTunes:" + n) << "saved back";
    EXPECT_EQ(readText(library("Lib 2") / n), "Lib 2:" + n);
  }
  EXPECT_EQ(readText(iTunes() / "Artwork.db"), "iTunes:Artwork.db") << "not ticked";
  EXPECT_EQ(form1->globals().ActiveLib, 1);
  EXPECT_NE(form1->Image1->Top(), indicatorBefore);
  EXPECT_TRUE(leftovers(snapshot()).empty());
}

// Another program holds one file the switch needs, without sharing it.
struct HeldFile {
  const char* what;
  const char* folder;  // "" for the iTunes folder, else a library
  const char* name;
};

const HeldFile kHeldFiles[] = {
    {"an iTunes file the load replaces", "", "iTunes Library.itl"},
    {"a file of the previous library the save-back replaces", "Lib 1", "iTunes Music Library.xml"},
    {"a file of the selected library the load reads", "Lib 2", "iTunes Library Genius.itdb"},
};

class WineSwitchHeldFile : public WineSwitch, public ::testing::WithParamInterface<int> {};

TEST_P(WineSwitchHeldFile, FailsWithNothingChanged) {
  const HeldFile& h = kHeldFiles[GetParam()];
  SCOPED_TRACE(h.what);
  arrange();
  const auto before = snapshot();
  const int indicatorBefore = form1->Image1->Top();
  const stdfs::path held = (*h.folder ? library(h.folder) : iTunes()) / h.name;

  HANDLE other = holdExclusively(held.string());
  form1->Button2->userClick();
  CloseHandle(other);

  ASSERT_EQ(reporter.messages.size(), 1u) << "the failure is shown once";
  EXPECT_NE(reporter.messages[0].find(h.name), std::string::npos) << reporter.messages[0];
  EXPECT_EQ(stored("Library Name", REG_SZ), bytesOf(std::string("Lib 1\0", 6)));
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(form1->globals().ActiveLib, 0);
  EXPECT_EQ(form1->Image1->Top(), indicatorBefore);

  // Once the other program lets go, the same switch goes through.
  reporter.messages.clear();
  form1->Button2->userClick();
  EXPECT_TRUE(reporter.messages.empty()) << reporter.messages.front();
  EXPECT_EQ(stored("Library Name", REG_SZ), bytesOf(std::string("Lib 2\0", 6)));
  EXPECT_EQ(readText(iTunes() / "iTunes Library.itl"), "Lib 2:iTunes Library.itl");
  EXPECT_TRUE(leftovers(snapshot()).empty());
}

INSTANTIATE_TEST_SUITE_P(EveryPass, WineSwitchHeldFile,
                         ::testing::Range(0, static_cast<int>(std::size(kHeldFiles))));

}  // namespace
