#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "LibraryFiles.h"
#include "Locations.h"
#include "Main.h"
#include "MolvaneHome.h"
#include "NewLibName.h"
#include "RecordingProgressDisplay.h"
#include "SlowFileSystem.h"

namespace stdfs = std::filesystem;

namespace {

// "Rock" is active, "Jazz" is selected. Files differ in length from folder to folder, and a
// copy reports every 5 bytes, so a switch reports many rising figures. Rock and Jazz hold the
// database files and "cover.jpg"; the iTunes folder lacks "cover.jpg" (nothing to save back
// under that name) but has the database files.
struct SwitchProgressTest : ::testing::Test {
  MolvaneHome h;
  SlowFileSystem slow{h.files, 5};
  RecordingProgressDisplay display;
  std::vector<std::string> database{LibraryFiles.begin(), LibraryFiles.end()};

  void arrange(bool overwriteLibrary) {
    for (const std::string& f : database) writeText(h.iTunes / f, "iTunes's own copy of " + f);
    h.library("Rock");
    h.library("Jazz");
    for (const std::string& f : database) {
      writeText(h.librariesRoot / "Rock" / f, "Rock " + f);
      writeText(h.librariesRoot / "Jazz" / f, "Jazz, a longer text for " + f);
    }
    writeText(h.librariesRoot / "Rock" / "cover.jpg", "Rock cover");
    writeText(h.librariesRoot / "Jazz" / "cover.jpg", "Jazz's cover, in many bytes");
    h.settings("Rock", overwriteLibrary, false);
    h.filesLayer = &slow;
    h.progress = &display;
    h.start();
    select("Jazz");
    // The user ticks the cover too.
    for (int i = 0; i < main().CheckListBox1->Count(); ++i)
      if (main().CheckListBox1->Item(i) == "cover.jpg") main().CheckListBox1->userToggle(i);
  }

  TForm1& main() { return h.form1(); }
  Globals& g() { return main().globals(); }
  int slotOf(const std::string& name) { return h.slotOf(name); }
  void select(const std::string& library) { main().LibGroup->userSelect(slotOf(library)); }
  void makeActive() { main().Button2->userClick(); }
  const MemoryRegistry::Values& settings() { return h.storedSettings(); }
  std::string libraryName() { return h.storedText("Library Name"); }
  std::vector<std::string> ticked() {
    std::vector<std::string> names;
    for (const auto& item : main().CheckListBox1->Items())
      if (item.checked) names.push_back(item.text);
    return names;
  }
  static std::uint64_t sizeOf(const stdfs::path& file) {
    return stdfs::is_regular_file(file) ? stdfs::file_size(file) : 0;
  }
};

struct SwitchProgressBothWays : SwitchProgressTest, ::testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(SaveBack, SwitchProgressBothWays, ::testing::Bool());

}  // namespace

TEST_P(SwitchProgressBothWays, FiguresRiseToTheBytesOfEveryCopy) {
  const bool overwrite = GetParam();
  arrange(overwrite);
  ASSERT_EQ(ticked().size(), 5u);
  std::uint64_t total = 0;
  for (const std::string& f : ticked()) {
    if (overwrite) total += sizeOf(h.iTunes / f);
    total += sizeOf(h.librariesRoot / "Jazz" / f);
  }

  makeActive();

  EXPECT_TRUE(h.reporter.messages.empty());
  EXPECT_EQ(libraryName(), "Jazz");
  EXPECT_EQ(display.titles, std::vector<std::string>{"Making library active"});
  EXPECT_EQ(display.totals, std::vector<std::uint64_t>{total});
  EXPECT_EQ(display.ends, 1);
  // Every copy reports at least once per 5 bytes.
  ASSERT_GE(display.updates.size(), total / 5);
  const std::vector<std::string> tickedNames = ticked();
  const std::set<std::string> names(tickedNames.begin(), tickedNames.end());
  std::uint64_t previous = 0;
  std::set<std::string> shown;
  for (const auto& u : display.updates) {
    EXPECT_GT(u.done, previous) << u.file;
    EXPECT_LE(u.done, total) << u.file;
    EXPECT_TRUE(names.count(u.file)) << u.file;
    shown.insert(u.file);
    previous = u.done;
  }
  EXPECT_EQ(display.updates.back().done, total);
  EXPECT_EQ(shown, names);
}

// Cancel at the first update, the second, ... up to the last: each time every folder, the
// settings and the window are exactly as before and nothing is said. One more, and the switch
// runs to its end.
TEST_P(SwitchProgressBothWays, CancelAtAnyUpdateChangesNothing) {
  arrange(GetParam());
  const std::vector<std::string> folders = folderContents(h.music);
  const MemoryRegistry::Values values = settings();
  const int active = g().ActiveLib;
  const int top = main().Image1->Top();

  std::size_t k = 1;
  for (;; ++k) {
    display.reset();
    display.cancelAt = k;
    makeActive();
    EXPECT_EQ(display.ends, 1) << "cancelled at " << k;
    EXPECT_TRUE(h.reporter.messages.empty()) << "cancelled at " << k;
    if (display.updates.size() < k) break;  // the switch never reached update k: it is done
    ASSERT_EQ(folderContents(h.music), folders) << "cancelled at " << k;
    ASSERT_EQ(settings(), values) << "cancelled at " << k;
    EXPECT_EQ(g().ActiveLib, active) << "cancelled at " << k;
    EXPECT_EQ(main().Image1->Top(), top) << "cancelled at " << k;
  }
  // Every file of the switch was reported before the run that went through.
  EXPECT_GT(k, ticked().size() * (GetParam() ? 2u : 1u));
  EXPECT_EQ(libraryName(), "Jazz");
  EXPECT_EQ(g().ActiveLib, slotOf("Jazz"));
  EXPECT_EQ(readText(h.iTunes / "cover.jpg"), "Jazz's cover, in many bytes");
}

// A switch that fails after its copies (its journal cannot be written) ends its progress too,
// and the failure is shown.
TEST_F(SwitchProgressTest, AFailedSwitchEndsItsProgress) {
  arrange(true);
  const std::vector<std::string> folders = folderContents(h.music);
  h.files.failOn("writeFile", "\\.molvane-switch", fs::Error::AccessDenied, "Access is denied");
  makeActive();
  ASSERT_EQ(h.reporter.messages.size(), 1u);
  EXPECT_NE(h.reporter.messages[0].find("Access is denied"), std::string::npos);
  EXPECT_EQ(display.titles.size(), 1u);
  EXPECT_EQ(display.ends, 1);
  EXPECT_FALSE(display.updates.empty());
  EXPECT_EQ(folderContents(h.music), folders);
}

// While the progress shows, the window system may deliver the user's clicks; none of them runs
// a command in the middle of the switch. Afterwards the window answers again.
TEST_F(SwitchProgressTest, ClicksDuringTheSwitchRunNothing) {
  arrange(false);
  const int selected = main().LibGroup->ItemIndex();
  const bool copyContent = main().CheckBox2->Checked();
  const MemoryRegistry::Value storedCopyContent = settings().at("Copy Content");
  display.duringUpdate = [this](std::size_t n) {
    if (n != 2) return;
    main().Button2->userClick();              // "Make library active" again
    main().Button1->userClick();              // "Add library"
    main().CheckBox2->userClick();            // an option, which would be stored
    main().LibGroup->userSelect(slotOf("Rock"));  // another library
  };

  makeActive();

  EXPECT_TRUE(h.reporter.messages.empty());
  EXPECT_EQ(display.titles.size(), 1u);
  EXPECT_FALSE(h.form2().Showing());
  EXPECT_EQ(main().CheckBox2->Checked(), copyContent);
  EXPECT_EQ(settings().at("Copy Content"), storedCopyContent);
  EXPECT_EQ(main().LibGroup->ItemIndex(), selected);
  EXPECT_EQ(libraryName(), "Jazz");

  display.duringUpdate = nullptr;
  main().CheckBox2->userClick();
  EXPECT_NE(main().CheckBox2->Checked(), copyContent);
}
