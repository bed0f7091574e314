#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LibraryFiles.h"
#include "Locations.h"
#include "Main.h"
#include "MolvaneHome.h"
#include "NewLibName.h"

namespace {

// The library "Rock" is active and selected; its folder lists the four database files (locked),
// "cover.jpg", "notes.txt" (gone from the iTunes folder) and "Extras.d" (a folder in the iTunes
// folder). The iTunes folder holds its own versions of the rest.
struct AddingALibrary : ::testing::Test {
  MolvaneHome h;
  std::vector<std::string> databaseFiles{LibraryFiles.begin(), LibraryFiles.end()};

  void arrange(bool copyContent, bool rockHasFiles = true) {
    std::vector<std::string> rock;
    if (rockHasFiles) {
      rock = databaseFiles;
      rock.insert(rock.end(), {"cover.jpg", "notes.txt", "Extras.d"});
    }
    h.library("Rock", rock);
    for (const std::string& name : databaseFiles) writeText(h.iTunes / name, "iTunes " + name);
    writeText(h.iTunes / "cover.jpg", "iTunes cover.jpg");
    std::filesystem::create_directory(h.iTunes / "Extras.d");
    h.settings("Rock", false, copyContent);
    h.start();
  }

  TForm1& main() { return h.form1(); }
  TForm2& dialog() { return h.form2(); }
  Globals& g() { return h.form1().globals(); }
  std::filesystem::path added() { return h.librariesRoot / "New"; }

  void add(const std::string& name) {
    main().Button1->userClick();
    dialog().Edit1->userSetText(name);
    dialog().Edit1->userKeyDown(VK_RETURN, 0);
  }

  // The file list as text: name, tick, lock.
  std::vector<std::string> fileList() {
    std::vector<std::string> out;
    for (const auto& item : main().CheckListBox1->Items())
      out.push_back(item.text + (item.checked ? " ticked" : "") + (item.enabled ? "" : " locked"));
    return out;
  }
  std::string text(const std::filesystem::path& file) { return readText(file); }
  std::string onlyMessage() {
    EXPECT_EQ(h.reporter.messages.size(), 1u);
    return h.reporter.messages.empty() ? std::string() : h.reporter.messages.back();
  }
  void expectAddedEmpty() {
    EXPECT_TRUE(h.reporter.messages.empty());
    EXPECT_TRUE(std::filesystem::is_directory(added()));
    EXPECT_TRUE(MolvaneHome::namesIn(added()).empty());
    EXPECT_TRUE(h.files.callsOf("copyFile").empty());
    EXPECT_EQ(g().LibCount, 2);
    EXPECT_EQ(main().LibGroup->Item(1), "New");
  }
  // Whatever failed, nothing of the library may be left.
  void expectNothingAdded() {
    EXPECT_EQ(g().LibCount, 1);
    EXPECT_EQ(main().LibGroup->Item(1), "<empty>");
    EXPECT_FALSE(std::filesystem::exists(added()));
    EXPECT_TRUE(dialog().Showing());
    EXPECT_EQ(dialog().Edit1->Text(), "New");
  }
};

}  // namespace

TEST_F(AddingALibrary, WithoutCopyContentTheFolderIsMadeEmpty) {
  arrange(false);
  ASSERT_EQ(main().CheckListBox1->Count(), 7);
  add("New");
  expectAddedEmpty();
}

TEST_F(AddingALibrary, WithCopyContentAndAnEmptyListNothingIsCopied) {
  arrange(true, false);
  ASSERT_EQ(main().CheckListBox1->Count(), 0);
  add("New");
  expectAddedEmpty();
}

TEST_F(AddingALibrary, WithCopyContentEveryListedFileComesFromTheITunesFolder) {
  arrange(true);
  main().CheckListBox1->userToggle(main().CheckListBox1->Count() - 1);  // the user ticks one
  const auto listBefore = fileList();
  const auto settingsBefore = h.registry.values(reg::kLocalMachine, Locations::kSettingsKey);
  const int writesBefore = h.registry.writes;

  add("New");

  EXPECT_TRUE(h.reporter.messages.empty());
  // Ticked or not, locked or not; "notes.txt" (missing) and "Extras.d" (a folder) are skipped.
  std::vector<std::string> expected = databaseFiles;
  expected.push_back("cover.jpg");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(MolvaneHome::namesIn(added()), expected);
  for (const std::string& name : expected) EXPECT_EQ(text(added() / name), "iTunes " + name);

  // Only the new slot changed.
  EXPECT_EQ(g().LibCount, 2);
  EXPECT_EQ(main().LibGroup->Item(1), "New");
  EXPECT_EQ(main().LibGroup->ItemIndex(), 0);
  EXPECT_EQ(g().ActiveLib, 0);
  EXPECT_EQ(fileList(), listBefore);
  EXPECT_EQ(h.registry.writes, writesBefore);
  EXPECT_EQ(h.registry.values(reg::kLocalMachine, Locations::kSettingsKey), settingsBefore);
  EXPECT_FALSE(dialog().Showing());
  EXPECT_EQ(dialog().Edit1->Text(), "");
}

TEST_F(AddingALibrary, CopyContentCountsAsItStandsWhenEnterIsPressed) {
  arrange(false);
  main().Button1->userClick();
  dialog().Edit1->userSetText("New");
  main().CheckBox2->userClick();  // the main window stays usable while the dialog is open
  ASSERT_TRUE(main().CheckBox2->Checked());
  dialog().Edit1->userKeyDown(VK_RETURN, 0);
  EXPECT_EQ(MolvaneHome::namesIn(added()).size(), databaseFiles.size() + 1);
}

TEST_F(AddingALibrary, TheNewLibraryCanBePickedAndMadeActiveAtOnce) {
  arrange(true);
  add("New");
  ASSERT_EQ(g().LibCount, 2);

  main().LibGroup->userSelect(1);
  EXPECT_EQ(main().LibGroup->ItemIndex(), 1);
  std::vector<std::string> listed;
  for (const auto& item : main().CheckListBox1->Items()) listed.push_back(item.text);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, MolvaneHome::namesIn(added()));
  for (const auto& item : main().CheckListBox1->Items())
    EXPECT_EQ(item.enabled, !isLibraryFile(item.text)) << item.text;

  writeText(added() / "iTunes Library.itl", "New's own library");
  main().Button2->userClick();
  EXPECT_TRUE(h.reporter.messages.empty());
  EXPECT_EQ(g().ActiveLib, 1);
  const auto& settings = h.registry.values(reg::kLocalMachine, Locations::kSettingsKey);
  const std::string stored(settings.at("Library Name").data.begin(),
                           settings.at("Library Name").data.end());
  EXPECT_EQ(stored, std::string("New", 4));
  EXPECT_EQ(text(h.iTunes / "iTunes Library.itl"), "New's own library");
}

TEST_F(AddingALibrary, AFailedCopyRemovesEverythingMadeAndSaysWhy) {
  arrange(true);
  // Fail the last file copied, so that the others were copied first and must be removed.
  std::string last;
  for (const auto& item : main().CheckListBox1->Items())
    if (std::filesystem::is_regular_file(h.iTunes / item.text)) last = item.text;
  h.files.failOn("copyFile", "\\New\\" + last, fs::Error::NoSpace, "No space left on device");

  add("New");

  const std::string shown = onlyMessage();
  EXPECT_NE(shown.find("\"" + last + "\""), std::string::npos) << shown;
  EXPECT_NE(shown.find("No space left on device"), std::string::npos) << shown;
  expectNothingAdded();
  EXPECT_EQ(h.files.callsOf("removeFile").size(), databaseFiles.size() + 1);

  // The text stayed, so once the cause is gone Enter adds the library.
  h.files.faults.clear();
  dialog().Edit1->userKeyDown(VK_RETURN, 0);
  EXPECT_EQ(h.reporter.messages.size(), 1u);
  EXPECT_EQ(g().LibCount, 2);
  EXPECT_EQ(MolvaneHome::namesIn(added()).size(), databaseFiles.size() + 1);
}

TEST_F(AddingALibrary, NotFoundForASourceThatIsThereIsAFailureNotASkip) {
  arrange(true);
  h.files.failOn("copyFile", "\\New\\cover.jpg", fs::Error::NotFound, "");
  add("New");
  EXPECT_NE(onlyMessage().find("\"cover.jpg\""), std::string::npos);
  expectNothingAdded();
}

TEST_F(AddingALibrary, AFolderThatCannotBeMadeIsReportedAndNothingCopied) {
  arrange(true);
  h.files.failOn("createDirectory", "\\New", fs::Error::AccessDenied, "Permission denied");
  add("New");
  const std::string shown = onlyMessage();
  EXPECT_NE(shown.find("could not be made: Permission denied"), std::string::npos) << shown;
  EXPECT_TRUE(h.files.callsOf("copyFile").empty());
  expectNothingAdded();
}

TEST_F(AddingALibrary, AMissingLibrariesRootIsReported) {
  arrange(false);
  std::filesystem::remove_all(h.librariesRoot);
  add("New");
  const std::string shown = onlyMessage();
  EXPECT_NE(shown.find("could not be made: "), std::string::npos) << shown;
  expectNothingAdded();
  EXPECT_FALSE(std::filesystem::exists(h.librariesRoot));
}

TEST_F(AddingALibrary, WhatCouldNotBeRemovedIsToldToo) {
  arrange(true);
  h.files.failOn("copyFile", "\\New\\cover.jpg", fs::Error::AccessDenied, "Permission denied");
  h.files.failOn("removeDirectory", "\\New", fs::Error::Other, "Device or resource busy");
  add("New");
  const std::string shown = onlyMessage();
  EXPECT_NE(shown.find("\"cover.jpg\""), std::string::npos) << shown;
  EXPECT_NE(shown.find("could not be removed again: Device or resource busy"), std::string::npos)
      << shown;
  EXPECT_EQ(g().LibCount, 1);
  EXPECT_EQ(main().LibGroup->Item(1), "<empty>");
  EXPECT_TRUE(dialog().Showing());
}
