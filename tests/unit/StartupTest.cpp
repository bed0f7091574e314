#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "Locations.h"
#include "Main.h"
#include "MolvaneHome.h"

namespace {

const std::vector<std::string> kDatabase = {"iTunes Library.itl", "iTunes Music Library.xml",
                                            "iTunes Library Extras.itdb",
                                            "iTunes Library Genius.itdb"};

std::vector<std::string> with(std::vector<std::string> names, const std::vector<std::string>& more) {
  names.insert(names.end(), more.begin(), more.end());
  return names;
}

struct Startup : ::testing::Test {
  MolvaneHome home;

  TForm1& form() { return home.form1(); }
  Globals& g() { return home.form1().globals(); }
  std::vector<std::string> slots() {
    std::vector<std::string> s;
    for (int i = 0; i < 5; ++i) s.push_back(form().LibGroup->Item(i));
    return s;
  }
  std::vector<std::string> listed() {
    std::vector<std::string> s;
    for (int i = 0; i < form().CheckListBox1->Count(); ++i) s.push_back(form().CheckListBox1->Item(i));
    std::sort(s.begin(), s.end());
    return s;
  }
  // Stores a value of any type and bytes in the settings key.
  void rawSetting(const std::string& name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
    reg::Handle key = 0;
    ASSERT_EQ(home.registry.openKey(reg::kLocalMachine, Locations::kSettingsKey, reg::kAllAccess, &key),
              reg::kSuccess);
    home.registry.setValue(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    home.registry.closeKey(key);
  }
  void dword(const std::string& name, std::uint32_t v) {
    home.registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, name, v);
  }
};

}  // namespace

TEST_F(Startup, BuildsTheMusicFolderFromTheUsersHome) {
  home.start();
  EXPECT_EQ(g().MusicFolder, toProgramPath(home.music));
  EXPECT_EQ(g().Reg->RootKey(), reg::kLocalMachine);
  EXPECT_EQ(g().Reg->CurrentPath(), Locations::kSettingsKey);
  EXPECT_TRUE(home.reporter.messages.empty());
}

TEST_F(Startup, FirstRunSeedsEveryListedFileIntoTheActiveLibraryThenStoresFirstUse) {
  home.settings("Lib 1", true, false);
  dword("First Use", 0);
  home.iTunesFiles(with(kDatabase, {"Notes.txt", "noextension"}));
  home.library("Lib 1", {"iTunes Library.itl"});
  writeText(home.librariesRoot / "Lib 1" / "iTunes Library.itl", "older copy");
  home.start();
  EXPECT_EQ(MolvaneHome::namesIn(home.librariesRoot / "Lib 1"),
            (std::vector<std::string>{"Notes.txt", "iTunes Library Extras.itdb",
                                      "iTunes Library Genius.itdb", "iTunes Library.itl",
                                      "iTunes Music Library.xml"}));
  EXPECT_EQ(readText(home.librariesRoot / "Lib 1" / "iTunes Library.itl"), "iTunes Library.itl");
  EXPECT_EQ(g().Reg->ReadInteger("First Use"), 1);
  EXPECT_TRUE(home.reporter.messages.empty());
}

TEST_F(Startup, FirstUseLowByteDecidesSeeding) {
  struct Case {
    std::uint32_t stored;
    bool seeds;
  };
  for (const Case c : {Case{0, true}, Case{1, false}, Case{257, false}, Case{256, true}, Case{2, true}}) {
    MolvaneHome h;
    h.settings("Lib 1", true, false);
    h.registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "First Use", c.stored);
    h.iTunesFiles({"iTunes Library.itl"});
    h.library("Lib 1");
    h.start();
    EXPECT_EQ(std::filesystem::exists(h.librariesRoot / "Lib 1" / "iTunes Library.itl"), c.seeds)
        << c.stored;
    EXPECT_EQ(h.form1().globals().Reg->ReadInteger("First Use"),
              static_cast<std::int32_t>(c.seeds ? 1 : c.stored))
        << c.stored;
  }
}

TEST_F(Startup, FirstRunWithoutTheLibraryFolderCreatesNothingAndSaysNothing) {
  home.settings("Lib 1", true, false);
  dword("First Use", 0);
  home.iTunesFiles(kDatabase);
  home.start();
  EXPECT_FALSE(std::filesystem::exists(home.librariesRoot / "Lib 1"));
  EXPECT_TRUE(MolvaneHome::namesIn(home.librariesRoot).empty());
  EXPECT_TRUE(home.reporter.messages.empty());
  EXPECT_EQ(g().Reg->ReadInteger("First Use"), 1);
}

TEST_F(Startup, FirstRunWithoutAnITunesFolderStillScansAndRestores) {
  home.settings("Party", false, true);
  dword("First Use", 0);
  std::filesystem::remove_all(home.iTunes);
  home.library("Party", {"iTunes Library.itl"});
  home.start();
  EXPECT_EQ(MolvaneHome::namesIn(home.librariesRoot / "Party"),
            (std::vector<std::string>{"iTunes Library.itl"}));
  EXPECT_EQ(g().Reg->ReadInteger("First Use"), 1);
  EXPECT_EQ(g().LibCount, 1);
  EXPECT_FALSE(form().CheckBox1->Checked());
  EXPECT_TRUE(form().CheckBox2->Checked());
  EXPECT_EQ(listed(), (std::vector<std::string>{"iTunes Library.itl"}));
}

TEST_F(Startup, TheActiveLibraryIsSelectedMarkedAndListed) {
  home.settings("Party", true, false);
  home.library("Work", {"iTunes Library.itl", "a.txt"});
  home.library("Party", with(kDatabase, {"Extra.m3u", "README"}));
  home.iTunesFiles({"other.txt"});
  home.start();
  ASSERT_EQ(g().LibCount, 2);
  const int active = g().ActiveLib;
  EXPECT_EQ(form().LibGroup->Item(active), "Party");
  EXPECT_EQ(form().LibGroup->ItemIndex(), active);
  EXPECT_EQ(form().Image1->Top(), 48 + 24 * active);
  std::vector<std::string> expected = with(kDatabase, {"Extra.m3u"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed(), expected);
  // Database files ticked and locked, the rest free; a name without an extension not listed.
  const TCheckListBox& list = *form().CheckListBox1;
  ASSERT_EQ(list.Count(), 5);
  for (int i = 0; i < list.Count(); ++i) {
    const bool database = list.Item(i) != "Extra.m3u";
    EXPECT_EQ(list.Checked(i), database) << list.Item(i);
    EXPECT_EQ(list.ItemEnabled(i), !database) << list.Item(i);
  }
}

TEST_F(Startup, NoMatchingLibrarySelectsAndMarksTheFirstSlot) {
  // Name missing, differing only in case, or naming a library without a folder.
  for (const char* name : {"", "party", "Gone"}) {
    MolvaneHome h;
    h.settings(name, true, false);
    h.library("Party", {"iTunes Library.itl"});
    h.start();
    EXPECT_EQ(h.form1().globals().ActiveLib, 0) << name;
    EXPECT_EQ(h.form1().LibGroup->ItemIndex(), 0) << name;
    EXPECT_EQ(h.form1().Image1->Top(), 48) << name;
    EXPECT_EQ(h.form1().CheckListBox1->Count(), 1) << name;
    EXPECT_TRUE(h.reporter.messages.empty()) << name;
  }
}

TEST_F(Startup, NoLibraryKeepsTheITunesListingAndTheFirstSlotsText) {
  home.settings("Lib 1", true, false);
  home.iTunesFiles(with(kDatabase, {"Notes.txt"}));
  home.start();
  EXPECT_EQ(g().LibCount, 0);
  EXPECT_EQ(slots(), (std::vector<std::string>{"Lib 1", "<empty>", "<empty>", "<empty>", "<empty>"}));
  EXPECT_EQ(form().LibGroup->ItemIndex(), 0);
  EXPECT_EQ(form().CheckListBox1->Count(), 5);
  // Every pick returns to slot 0 and leaves the list as it was.
  form().CheckListBox1->userToggle(4);
  form().LibGroup->userSelect(3);
  EXPECT_EQ(form().LibGroup->ItemIndex(), 0);
  EXPECT_TRUE(form().CheckListBox1->Checked(4));
}

TEST_F(Startup, LibraryScanFilter) {
  struct Entry {
    const char* name;
    bool folder;
    bool listed;
  };
  const Entry entries[] = {
      {"Plain", true, true},     {"Rock.ab", true, true},   {"Jazz.abc", true, false},
      {".hidden", true, false},  {"file.mp", false, true},  {"file2", false, true},
      {"notes.txt", false, false},
#if !defined(_WIN32)  // Windows drops a name's trailing dot
      {"dot.", true, true},
#endif
  };
  for (const Entry& e : entries) {
    if (e.folder) {
      std::filesystem::create_directory(home.librariesRoot / e.name);
    } else {
      writeText(home.librariesRoot / e.name, "x");
    }
  }
  home.start();
  const std::vector<std::string> all = slots();
  std::vector<std::string> found(all.begin(), all.begin() + g().LibCount);
  std::sort(found.begin(), found.end());
  std::vector<std::string> expected;
  for (const Entry& e : entries)
    if (e.listed) expected.push_back(e.name);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
}

TEST_F(Startup, ASixthLibraryHasNoSlot) {
  for (const char* n : {"A", "B", "C", "D", "E", "F"}) home.library(n);
  home.start();
  EXPECT_EQ(g().LibCount, 5);
  for (const std::string& s : slots()) EXPECT_NE(s, "<empty>");
}

TEST_F(Startup, FileListTicksAndLocks) {
  home.settings("L", true, false);
#if defined(_WIN32)
  // A Windows folder cannot hold two names that differ only in case.
  home.library("L", {"itunes library.itl", ".hidden.txt", "noext"});
  const int shown = 1;
#else
  home.library("L", {"iTunes Library.itl", "itunes library.itl", ".hidden.txt", "noext"});
  const int shown = 2;
#endif
  // A hidden-attribute file on Windows is a dot file here; both rules are checked: names
  // beginning with "." never show, case-different database names are ordinary items.
  home.start();
  const TCheckListBox& list = *form().CheckListBox1;
  ASSERT_EQ(list.Count(), shown);
  for (int i = 0; i < shown; ++i) {
    const bool exact = list.Item(i) == "iTunes Library.itl";
    EXPECT_EQ(list.Checked(i), exact);
    EXPECT_EQ(list.ItemEnabled(i), !exact);
  }
}

TEST_F(Startup, NonAsciiNamesShowAndCompareByteForByte) {
#if defined(_WIN32)
  // The system code page (Windows-1252 under Wine), whose upper half the test's own folder
  // helpers map the same way.
  const std::string name = "M\xFAsica \xD1";
  const std::string file = "Caf\xE9.txt";
#else
  const std::string name = "M\xC3\xBAsica \xC3\x91";  // UTF-8
  const std::string file = "Caf\xC3\xA9.txt";
#endif
  home.settings(name, true, false);
  home.library("Other");
  home.library(name, {file});
  home.start();
  EXPECT_EQ(form().LibGroup->Item(g().ActiveLib), name);
  ASSERT_EQ(form().CheckListBox1->Count(), 1);
  EXPECT_EQ(form().CheckListBox1->Item(0), file);
}

TEST_F(Startup, OptionsAreRestoredWithoutWritingThem) {
  struct Case {
    bool overwrite, copy;
  };
  for (const Case c : {Case{false, true}, Case{true, false}, Case{true, true}, Case{false, false}}) {
    MolvaneHome h;
    h.settings("Lib 1", c.overwrite, c.copy);
    h.library("Lib 1");
    const int writesBefore = h.registry.writes;
    h.start();
    EXPECT_EQ(h.form1().CheckBox1->Checked(), c.overwrite);
    EXPECT_EQ(h.form1().CheckBox2->Checked(), c.copy);
    EXPECT_EQ(h.registry.writes, writesBefore);
  }
}

struct Selection : Startup {
  void SetUp() override {
    home.settings("B", true, false);
    for (const char* n : {"A", "B", "C"}) home.library(n, {std::string(n) + ".txt", "iTunes Library.itl"});
    home.start();
    ASSERT_EQ(g().LibCount, 3);
  }
  int slotOf(const std::string& name) {
    for (int i = 0; i < 5; ++i)
      if (form().LibGroup->Item(i) == name) return i;
    return -1;
  }
  int tickFree() {
    TCheckListBox& list = *form().CheckListBox1;
    for (int i = 0; i < list.Count(); ++i)
      if (list.ItemEnabled(i)) {
        list.userToggle(i);
        return i;
      }
    return -1;
  }
};

TEST_F(Selection, PickingAnEmptySlotReturnsToTheActiveNotThePreviousSelection) {
  form().LibGroup->userSelect(slotOf("C"));
  tickFree();
  form().LibGroup->userSelect(4);
  EXPECT_EQ(form().LibGroup->ItemIndex(), slotOf("B"));
  EXPECT_EQ(listed(), (std::vector<std::string>{"B.txt", "iTunes Library.itl"}));
  for (int i = 0; i < form().CheckListBox1->Count(); ++i)
    EXPECT_EQ(form().CheckListBox1->Checked(i), !form().CheckListBox1->ItemEnabled(i));
}

TEST_F(Selection, PickingTheSelectedSlotKeepsTheTicks) {
  const int ticked = tickFree();
  form().LibGroup->userSelect(form().LibGroup->ItemIndex());
  EXPECT_TRUE(form().CheckListBox1->Checked(ticked));
}

TEST_F(Selection, ALibraryWhoseFolderWasRemovedShowsAnEmptyList) {
  std::filesystem::remove_all(home.librariesRoot / "A");
  form().LibGroup->userSelect(slotOf("A"));
  EXPECT_EQ(form().CheckListBox1->Count(), 0);
  EXPECT_TRUE(home.reporter.messages.empty());
}

namespace {

struct FailureRow {
  const char* situation;
  std::function<void(MolvaneHome&)> arrange;
  const char* message;
  // What the window shows afterwards.
  bool itunesListed;       // the file scan ran
  bool librariesScanned;   // the library scan ran
  int checkBox1;           // -1: as in the layout (ticked); else the restored state
  int checkBox2;           // -1: as in the layout (not ticked)
};

void setRaw(MolvaneHome& h, reg::Handle root, const std::string& path, const std::string& name,
            std::uint32_t type, std::vector<std::uint8_t> bytes) {
  reg::Handle key = 0;
  ASSERT_EQ(h.registry.openKey(root, path, reg::kAllAccess, &key), reg::kSuccess);
  h.registry.setValue(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  h.registry.closeKey(key);
}

void setting(MolvaneHome& h, const std::string& name, std::uint32_t type,
             std::vector<std::uint8_t> bytes) {
  setRaw(h, reg::kLocalMachine, Locations::kSettingsKey, name, type, std::move(bytes));
}

}  // namespace

TEST(StartupFailures, EachFailureStopsTheRestOfStartUpAndIsShownBeforeTheWindow) {
  const std::vector<FailureRow> rows = {
      {"HOMEPATH not a string",
       [](MolvaneHome& h) {
         setRaw(h, reg::kCurrentUser, Locations::kVolatileEnvironment, "HOMEPATH", reg::kDword,
                {1, 0, 0, 0});
       },
       "Invalid data type for 'HOMEPATH'", false, false, -1, -1},
      {"settings key missing",
       [](MolvaneHome& h) { h.registry.removeKey(reg::kLocalMachine, Locations::kSettingsKey); },
       "Failed to get data for 'First Use'", true, false, -1, -1},
      {"First Use missing",
       [](MolvaneHome& h) {
         h.registry.removeValue(reg::kLocalMachine, Locations::kSettingsKey, "First Use");
       },
       "Failed to get data for 'First Use'", true, false, -1, -1},
      {"First Use longer than 4 bytes",
       [](MolvaneHome& h) { setting(h, "First Use", reg::kBinary, {1, 0, 0, 0, 0}); },
       "Failed to get data for 'First Use'", true, false, -1, -1},
      {"First Use a short string",
       [](MolvaneHome& h) { setting(h, "First Use", reg::kSz, {'1', 0}); },
       "Invalid data type for 'First Use'", true, false, -1, -1},
      {"Library Name not a string",
       [](MolvaneHome& h) { setting(h, "Library Name", reg::kDword, {1, 0, 0, 0}); },
       "Invalid data type for 'Library Name'", true, false, -1, -1},
      {"writing First Use fails",
       [](MolvaneHome& h) {
         h.registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "First Use", 0);
         h.registry.refuseWrites = true;
       },
       "Failed to set data for 'First Use'", true, false, -1, -1},
      {"Overwrite Library missing",
       [](MolvaneHome& h) {
         h.registry.removeValue(reg::kLocalMachine, Locations::kSettingsKey, "Overwrite Library");
       },
       "Failed to get data for 'Overwrite Library'", true, true, -1, -1},
      {"Overwrite Library a string",
       [](MolvaneHome& h) { setting(h, "Overwrite Library", reg::kSz, {'0', 0}); },
       "Invalid data type for 'Overwrite Library'", true, true, -1, -1},
      {"Copy Content unreadable",
       [](MolvaneHome& h) { setting(h, "Copy Content", reg::kSz, {'1', 0}); },
       "Invalid data type for 'Copy Content'", true, true, 0, -1},
  };
  for (const FailureRow& row : rows) {
    SCOPED_TRACE(row.situation);
    MolvaneHome h;
    h.settings("Lib 1", false, true);
    h.iTunesFiles({"iTunes Library.itl", "Notes.txt"});
    h.library("Work", {"Work.txt"});
    row.arrange(h);
    h.start();
    TForm1& f = h.form1();
    EXPECT_EQ(h.reporter.messages, (std::vector<std::string>{row.message}));
    EXPECT_FALSE(f.Showing());  // the box came up before the window
    EXPECT_EQ(f.CheckListBox1->Count(), row.itunesListed && !row.librariesScanned ? 2
                                        : row.librariesScanned                   ? 1
                                                                                 : 0);
    if (!row.librariesScanned) {
      EXPECT_EQ(f.LibGroup->ItemIndex(), -1);
      EXPECT_EQ(f.LibGroup->Item(0), "Lib 1");
      EXPECT_EQ(f.globals().LibCount, 0);
    } else {
      EXPECT_EQ(f.LibGroup->Item(0), "Work");
      EXPECT_EQ(f.LibGroup->ItemIndex(), 0);
    }
    EXPECT_EQ(f.globals().ActiveLib, 0);
    EXPECT_EQ(f.Image1->Top(), 48);
    EXPECT_EQ(f.CheckBox1->Checked(), row.checkBox1 < 0 ? true : row.checkBox1 == 1);
    EXPECT_EQ(f.CheckBox2->Checked(), row.checkBox2 < 0 ? false : row.checkBox2 == 1);
    // The program goes on: the window still opens.
    h.app().Run();
    EXPECT_TRUE(f.Showing());
  }
}

TEST(StartupFailures, WithoutTheSettingsKeyNoKeyIsOpenAndLaterWritesFail) {
  MolvaneHome h;
  h.registry.removeKey(reg::kLocalMachine, Locations::kSettingsKey);
  h.start();
  TRegistry& reg = *h.form1().globals().Reg;
  EXPECT_EQ(reg.RootKey(), reg::kLocalMachine);
  EXPECT_EQ(reg.CurrentKey(), reg::kNoKey);
  EXPECT_EQ(h.form1().globals().MusicFolder, toProgramPath(h.music));
}

TEST(StartupFailures, AMissingHomeGivesAMusicFolderWithoutOneAndNoMessage) {
  MolvaneHome h;
  h.registry.removeKey(reg::kCurrentUser, Locations::kVolatileEnvironment);
  h.start();
  EXPECT_EQ(h.form1().globals().MusicFolder, "\\My Documents\\My Music");
  EXPECT_TRUE(h.reporter.messages.empty());
}
