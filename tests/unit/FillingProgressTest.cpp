#include <gtest/gtest.h>

#include <filesystem>
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

// "Rock" is active and lists the database files, "cover.jpg" and "gone.txt", which the iTunes
// folder lacks. A copy reports every 4 bytes. The name dialog is open with "New".
struct FillingProgressTest : ::testing::Test {
  MolvaneHome h;
  SlowFileSystem slow{h.files, 4};
  RecordingProgressDisplay display;
  std::vector<std::string> database{LibraryFiles.begin(), LibraryFiles.end()};

  void arrange(bool copyContent) {
    h.library("Rock");
    for (const std::string& f : database) {
      writeText(h.iTunes / f, "iTunes's copy of " + f);
      writeText(h.librariesRoot / "Rock" / f, "Rock " + f);
    }
    writeText(h.iTunes / "cover.jpg", "the cover as iTunes has it");
    writeText(h.librariesRoot / "Rock" / "cover.jpg", "Rock cover");
    writeText(h.librariesRoot / "Rock" / "gone.txt", "gone");
    h.settings("Rock", false, copyContent);
    h.filesLayer = &slow;
    h.progress = &display;
    h.start();
    ASSERT_EQ(main().CheckListBox1->Count(), 6);
    main().Button1->userClick();
    dialog().Edit1->userSetText("New");
  }

  TForm1& main() { return h.form1(); }
  TForm2& dialog() { return h.form2(); }
  Globals& g() { return main().globals(); }
  void enter() { dialog().Edit1->userKeyDown(VK_RETURN, 0); }
  std::uint64_t iTunesBytes() {
    std::uint64_t total = 0;
    for (const auto& item : main().CheckListBox1->Items())
      if (stdfs::is_regular_file(h.iTunes / item.text)) total += stdfs::file_size(h.iTunes / item.text);
    return total;
  }
};

}  // namespace

TEST_F(FillingProgressTest, FiguresRiseToTheBytesOfTheListedFiles) {
  arrange(true);
  const std::uint64_t total = iTunesBytes();
  enter();
  EXPECT_TRUE(h.reporter.messages.empty());
  EXPECT_EQ(g().LibCount, 2);
  EXPECT_EQ(display.titles, std::vector<std::string>{"Filling new library"});
  EXPECT_EQ(display.totals, std::vector<std::uint64_t>{total});
  EXPECT_EQ(display.ends, 1);
  ASSERT_GE(display.updates.size(), total / 4);
  std::uint64_t previous = 0;
  for (const auto& u : display.updates) {
    EXPECT_GT(u.done, previous) << u.file;
    EXPECT_NE(u.file, "gone.txt");
    previous = u.done;
  }
  EXPECT_EQ(display.updates.back().done, total);
}

// A library without content copies nothing and shows no progress.
TEST_F(FillingProgressTest, AnEmptyLibraryShowsNoProgress) {
  arrange(false);
  enter();
  EXPECT_EQ(g().LibCount, 2);
  EXPECT_TRUE(display.titles.empty());
  EXPECT_EQ(display.ends, 0);
}

// Cancel at every update in turn: no folder, no slot, no message, the dialog open with its
// text. One more, and the library is added.
TEST_F(FillingProgressTest, CancelAtAnyUpdateAddsNothing) {
  arrange(true);
  const std::vector<std::string> folders = folderContents(h.music);
  std::size_t k = 1;
  for (;; ++k) {
    display.reset();
    display.cancelAt = k;
    enter();
    EXPECT_EQ(display.ends, 1) << "cancelled at " << k;
    EXPECT_TRUE(h.reporter.messages.empty()) << "cancelled at " << k;
    if (display.updates.size() < k) break;
    ASSERT_EQ(folderContents(h.music), folders) << "cancelled at " << k;
    EXPECT_EQ(g().LibCount, 1) << "cancelled at " << k;
    EXPECT_EQ(main().LibGroup->Item(1), "<empty>") << "cancelled at " << k;
    EXPECT_TRUE(dialog().Showing()) << "cancelled at " << k;
    EXPECT_EQ(dialog().Edit1->Text(), "New") << "cancelled at " << k;
  }
  EXPECT_GT(k, 5u);
  EXPECT_EQ(g().LibCount, 2);
  EXPECT_EQ(main().LibGroup->Item(1), "New");
  EXPECT_EQ(readText(h.librariesRoot / "New" / "cover.jpg"), "the cover as iTunes has it");
  EXPECT_FALSE(dialog().Showing());
}

// A copy that fails ends the progress too, and says why.
TEST_F(FillingProgressTest, AFailedFillingEndsItsProgress) {
  arrange(true);
  h.files.failOn("copyFile", "\\New\\cover.jpg", fs::Error::NoSpace, "No space left on device");
  enter();
  ASSERT_EQ(h.reporter.messages.size(), 1u);
  EXPECT_NE(h.reporter.messages[0].find("No space left on device"), std::string::npos);
  EXPECT_EQ(display.titles.size(), 1u);
  EXPECT_EQ(display.ends, 1);
  EXPECT_FALSE(stdfs::exists(h.librariesRoot / "New"));
  EXPECT_TRUE(dialog().Showing());
}
