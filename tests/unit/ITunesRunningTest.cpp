#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "FakeProcessProbe.h"
#include "LibraryFiles.h"
#include "Locations.h"
#include "Main.h"
#include "MolvaneHome.h"
#include "NewLibName.h"

namespace {

const std::string kMessage = "iTunes is running. Close iTunes, then try again.";

// "Rock" is active, "Jazz" is another library, "Empty" a library without files; the iTunes
// folder, Rock and Jazz hold the four database files and "cover.jpg", each file's text saying
// where it lies. "Overwrite Library" is on.
struct ITunesRunningTest : ::testing::Test {
  MolvaneHome h;
  FakeProcessProbe probe;
  std::vector<std::string> files{LibraryFiles.begin(), LibraryFiles.end()};

  void arrange(bool copyContent) {
    files.push_back("cover.jpg");
    for (const std::string& f : files) writeText(h.iTunes / f, "iTunes " + f);
    for (const char* library : {"Rock", "Jazz"}) {
      h.library(library);
      for (const std::string& f : files)
        writeText(h.librariesRoot / library / f, std::string(library) + " " + f);
    }
    h.library("Empty");
    h.settings("Rock", true, copyContent);
    h.processes = &probe;
  }

  TForm1& main() { return h.form1(); }
  TForm2& dialog() { return h.form2(); }
  Globals& g() { return main().globals(); }
  const MemoryRegistry::Values& settings() { return h.storedSettings(); }
  std::string stored(const std::string& name) { return h.storedText(name); }
  std::uint32_t storedNumber(const std::string& name) {
    std::uint32_t n = 0;
    const auto& v = settings().at(name);
    if (v.data.size() == 4) std::memcpy(&n, v.data.data(), 4);
    return n;
  }
  int slotOf(const std::string& name) { return h.slotOf(name); }
  void select(const std::string& library) { main().LibGroup->userSelect(slotOf(library)); }
  void openDialogWith(const std::string& name) {
    main().Button1->userClick();
    dialog().Edit1->userSetText(name);
  }
  void enter() { dialog().Edit1->userKeyDown(VK_RETURN, 0); }

  // What the program itself holds and shows, beside the folders and settings.
  std::vector<std::string> programState() {
    std::vector<std::string> s = {
        "ActiveLib " + std::to_string(g().ActiveLib),
        "LibCount " + std::to_string(g().LibCount),
        "selected " + std::to_string(main().LibGroup->ItemIndex()),
        "indicator " + std::to_string(main().Image1->Top()),
        std::string("dialog ") + (dialog().Showing() ? "showing " : "hidden ") +
            dialog().Edit1->Text(),
    };
    for (int i = 0; i < main().LibGroup->Count(); ++i)
      s.push_back("slot " + main().LibGroup->Item(i));
    for (const auto& item : main().CheckListBox1->Items())
      s.push_back("item " + item.text + (item.checked ? " ticked" : ""));
    return s;
  }
};

// A command that swaps or takes files from the iTunes folder, or one that does not.
struct Operation {
  const char* name;
  bool copyContent;         // CheckBox2 when the program starts
  bool firstRun;            // "First Use" not yet set: start-up seeds the active library
  bool refusedWhileITunesRuns;
  std::function<void(ITunesRunningTest&)> prepare;  // after start, before the command
  std::function<void(ITunesRunningTest&)> command;
  std::function<void(ITunesRunningTest&)> expectDone;
};

const std::vector<Operation>& operations() {
  static const std::vector<Operation> ops = {
      {"Switch", false, false, true,
       [](ITunesRunningTest& t) { t.select("Jazz"); },
       [](ITunesRunningTest& t) { t.main().Button2->userClick(); },
       [](ITunesRunningTest& t) {
         EXPECT_EQ(t.stored("Library Name"), "Jazz");
         EXPECT_EQ(readText(t.h.iTunes / "iTunes Library.itl"), "Jazz iTunes Library.itl");
         EXPECT_EQ(readText(t.h.librariesRoot / "Rock" / "iTunes Library.itl"),
                   "iTunes iTunes Library.itl");
         EXPECT_EQ(t.g().ActiveLib, t.slotOf("Jazz"));
       }},
      {"Seeding", false, true, true, nullptr,
       [](ITunesRunningTest& t) { t.h.start(); },
       [](ITunesRunningTest& t) {
         for (const std::string& f : t.files)
           EXPECT_EQ(readText(t.h.librariesRoot / "Rock" / f), "iTunes " + f);
         EXPECT_EQ(t.storedNumber("First Use"), 1u);
       }},
      {"AddingWithContent", true, false, true,
       [](ITunesRunningTest& t) { t.openDialogWith("New"); },
       [](ITunesRunningTest& t) { t.enter(); },
       [](ITunesRunningTest& t) {
         for (const std::string& f : t.files)
           EXPECT_EQ(readText(t.h.librariesRoot / "New" / f), "iTunes " + f);
         EXPECT_EQ(t.g().LibCount, 4);
         EXPECT_FALSE(t.dialog().Showing());
       }},
      {"AddingWithoutContent", false, false, false,
       [](ITunesRunningTest& t) { t.openDialogWith("New"); },
       [](ITunesRunningTest& t) { t.enter(); },
       [](ITunesRunningTest& t) {
         EXPECT_TRUE(MolvaneHome::namesIn(t.h.librariesRoot / "New").empty());
         EXPECT_TRUE(std::filesystem::is_directory(t.h.librariesRoot / "New"));
         EXPECT_EQ(t.g().LibCount, 4);
       }},
      // CheckBox2 ticked, but the file list shows a library without files: nothing is taken
      // from the iTunes folder.
      {"AddingFromAnEmptyList", true, false, false,
       [](ITunesRunningTest& t) {
         t.select("Empty");
         ASSERT_EQ(t.main().CheckListBox1->Count(), 0);
         t.openDialogWith("New");
       },
       [](ITunesRunningTest& t) { t.enter(); },
       [](ITunesRunningTest& t) {
         EXPECT_TRUE(MolvaneHome::namesIn(t.h.librariesRoot / "New").empty());
         EXPECT_EQ(t.g().LibCount, 4);
       }},
  };
  return ops;
}

struct EveryOperation : ITunesRunningTest,
                        ::testing::WithParamInterface<std::tuple<std::size_t, bool>> {};

INSTANTIATE_TEST_SUITE_P(
    ITunes, EveryOperation,
    ::testing::Combine(::testing::Range<std::size_t>(0, operations().size()), ::testing::Bool()),
    [](const auto& param) {
      return std::string(operations().at(std::get<0>(param.param)).name) +
             (std::get<1>(param.param) ? "_WhileITunesRuns" : "_WithoutITunes");
    });

}  // namespace

TEST_P(EveryOperation, IsRefusedWithNothingChangedOnlyWhileITunesRuns) {
  const Operation& op = operations().at(std::get<0>(GetParam()));
  probe.running = std::get<1>(GetParam());
  arrange(op.copyContent);
  if (op.firstRun)
    h.registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "First Use", 0);
  else
    h.start();
  if (op.prepare) op.prepare(*this);
  ASSERT_TRUE(h.reporter.messages.empty());

  const std::vector<std::string> folders = folderContents(h.music);
  const MemoryRegistry::Values values = settings();
  const std::vector<std::string> program = op.firstRun ? std::vector<std::string>{} : programState();
  probe.asked.clear();

  op.command(*this);

  if (probe.running && op.refusedWhileITunesRuns) {
    EXPECT_EQ(h.reporter.messages, std::vector<std::string>{kMessage});
    EXPECT_EQ(probe.asked, std::vector<std::string>{"iTunes.exe"});
    EXPECT_EQ(folderContents(h.music), folders);
    EXPECT_EQ(settings(), values);
    if (!op.firstRun) {
      EXPECT_EQ(programState(), program);
    }
  } else {
    EXPECT_TRUE(h.reporter.messages.empty());
    op.expectDone(*this);
  }
}

// The guards come first: a switch with nothing to do neither asks nor says anything.
TEST_F(ITunesRunningTest, ASwitchWithNothingToDoSaysNothing) {
  probe.running = true;
  arrange(false);
  h.start();
  select("Empty");
  const int writes = h.registry.writes;
  main().Button2->userClick();
  EXPECT_TRUE(h.reporter.messages.empty());
  EXPECT_TRUE(probe.asked.empty());
  EXPECT_EQ(h.registry.writes, writes);
}

// A refusal raised through the handler boundary leaves the program ready: once iTunes has
// been closed, the same click switches.
TEST_F(ITunesRunningTest, OnceITunesIsClosedTheSameClickSwitches) {
  probe.running = true;
  arrange(false);
  h.start();
  select("Jazz");
  main().Button2->userClick();
  ASSERT_EQ(h.reporter.messages, std::vector<std::string>{kMessage});
  probe.running = false;
  main().Button2->userClick();
  EXPECT_EQ(h.reporter.messages.size(), 1u);
  EXPECT_EQ(readText(h.iTunes / "iTunes Library.itl"), "Jazz iTunes Library.itl");
  EXPECT_EQ(stored("Library Name"), "Jazz");
}

// Seeding that iTunes stopped is not marked done, so the next start seeds.
TEST_F(ITunesRunningTest, RefusedSeedingRunsAtTheNextStart) {
  probe.running = true;
  arrange(false);
  h.registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "First Use", 0);
  h.start();
  ASSERT_EQ(h.reporter.messages, std::vector<std::string>{kMessage});
  EXPECT_EQ(readText(h.librariesRoot / "Rock" / "cover.jpg"), "Rock cover.jpg");

  probe.running = false;
  h.start();
  EXPECT_EQ(h.reporter.messages.size(), 1u);
  for (const std::string& f : files)
    EXPECT_EQ(readText(h.librariesRoot / "Rock" / f), "iTunes " + f);
  EXPECT_EQ(storedNumber("First Use"), 1u);
}
