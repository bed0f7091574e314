// Start-up and the switch on the headless control backend, over the real registry and the real
// files: the music folder comes from Wine's own "Volatile Environment". The settings key lives
// in a scratch key that stands in for HKEY_LOCAL_MACHINE; the folders live in the Wine user's
// home, so these cases only run under Wine, in the prefix that scripts/test-windows throws away.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>

#include "Fakes.h"
#include "Locations.h"
#include "Main.h"
#include "NewLibName.h"
#include "Services.h"
#include "TempDir.h"
#include "WinTestSupport.h"
#include "controls/TApplication.h"
#include "headless/HeadlessBackend.h"
#include "win32/Win32FileSystem.h"
#include "win32/Win32Registry.h"

namespace {

namespace stdfs = std::filesystem;

const std::vector<std::string> kDatabase = {"iTunes Library.itl", "iTunes Music Library.xml",
                                            "iTunes Library Extras.itdb",
                                            "iTunes Library Genius.itdb"};

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<std::uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

class WineHome : public ::testing::Test {
protected:
  void SetUp() override {
    if (!runningUnderWine())
      GTEST_SKIP() << "writes into the user's music folder: runs only in a throwaway Wine prefix";
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine.handle()), ERROR_SUCCESS);
    overridden = true;

    // The home folder as the process's environment has it, which Wine fills from the same
    // place as the registry's "Volatile Environment": a second witness for the registry read.
    music = environment("HOMEDRIVE") + environment("HOMEPATH") + "\\My Documents\\My Music";
    documents = stdfs::path(environment("HOMEDRIVE") + environment("HOMEPATH")) / "My Documents";
    ASSERT_FALSE(stdfs::exists(documents)) << "left over from an earlier run: " << documents;
    stdfs::create_directories(iTunes());
    stdfs::create_directories(library(""));
  }

  void TearDown() override {
    app.reset();
    if (overridden) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    std::error_code ec;
    if (!documents.empty()) stdfs::remove_all(documents, ec);
  }

  stdfs::path iTunes() const { return stdfs::path(music) / "iTunes"; }
  stdfs::path library(const std::string& name) const {
    return stdfs::path(music) / "Molvane" / name;
  }
  // Every file's text names its folder, so a copy shows where it came from.
  static void fill(const stdfs::path& folder, const std::vector<std::string>& names,
                   const std::string& tag) {
    stdfs::create_directories(folder);
    for (const std::string& n : names) writeText(folder / n, tag + ":" + n);
  }
  static std::vector<std::string> names(const stdfs::path& folder) {
    return namesIn(folder.string());
  }

  void settings(const std::string& libraryName, DWORD firstUse, DWORD overwrite, DWORD copy) {
    settingsKey.setString("Library Name", libraryName);
    settingsKey.setDword("First Use", firstUse);
    settingsKey.setDword("Overwrite Library", overwrite);
    settingsKey.setDword("Copy Content", copy);
  }
  std::vector<std::uint8_t> stored(const std::string& name, DWORD expectedType) {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
    EXPECT_TRUE(settingsKey.value(name, type, data)) << name;
    EXPECT_EQ(type, expectedType) << name;
    return data;
  }

  void start() {
    services = std::make_unique<Services>(Services{registry, files, shell, "C:\\Molvane.exe"});
    app = std::make_unique<TApplication>(backend, reporter);
    app->Title = "Molvane";
    form1 = &app->CreateForm<TForm1>(*services);
    form2 = &app->CreateForm<TForm2>(form1->globals(), form1->view(), files);
    form1->SetNameDialog(form2);
  }
  std::vector<std::string> listed() const {
    std::vector<std::string> s;
    for (int i = 0; i < form1->CheckListBox1->Count(); ++i) s.push_back(form1->CheckListBox1->Item(i));
    std::sort(s.begin(), s.end());
    return s;
  }
  std::vector<std::string> slots() const {
    std::vector<std::string> s;
    for (int i = 0; i < form1->LibGroup->Count(); ++i) s.push_back(form1->LibGroup->Item(i));
    return s;
  }

  // The stand-in for HKEY_LOCAL_MACHINE, and the settings key in it, as an installer made it.
  ScratchKey machine{HKEY_CURRENT_USER, "Software\\MolvaneTest\\Machine"};
  ScratchKey settingsKey{HKEY_CURRENT_USER,
                         "Software\\MolvaneTest\\Machine\\" + std::string(Locations::kSettingsKey)};
  bool overridden = false;

  std::string music;
  stdfs::path documents;

  Win32Registry registry;
  Win32FileSystem files;
  RecordingShell shell;
  HeadlessBackend backend;
  RecordingReporter reporter;
  std::unique_ptr<Services> services;
  std::unique_ptr<TApplication> app;
  TForm1* form1 = nullptr;
  TForm2* form2 = nullptr;
};

TEST_F(WineHome, StartUpBuildsTheMusicFolderFromWinesVolatileEnvironment) {
  settings("Lib 1", 1, 0, 0);
  fill(library("Lib 1"), kDatabase, "Lib 1");
  start();

  const Globals& g = form1->globals();
  // Wine's own values: a drive such as "C:" and a path on it beginning with "\".
  EXPECT_TRUE(std::regex_match(environment("HOMEDRIVE"), std::regex("[A-Za-z]:")))
      << environment("HOMEDRIVE");
  EXPECT_EQ(environment("HOMEPATH").rfind("\\", 0), 0u) << environment("HOMEPATH");
  EXPECT_EQ(g.MusicFolder, music);
  EXPECT_EQ(g.ActiveLibName, "Lib 1");
  EXPECT_EQ(g.Reg->RootKey(), reg::kLocalMachine);
  EXPECT_EQ(g.Reg->CurrentPath(), Locations::kSettingsKey);
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(WineHome, FirstRunSeedsTheActiveLibraryAndStoresFirstUse) {
  settings("Lib 1", 0, 1, 0);
  fill(iTunes(), kDatabase, "iTunes");
  fill(iTunes(), {"Playlists.txt"}, "iTunes");
  fill(library("Lib 1"), {}, "Lib 1");
  fill(library("Lib 2"), kDatabase, "Lib 2");
  start();

  EXPECT_EQ(names(library("Lib 1")), names(iTunes()));
  for (const std::string& n : names(iTunes()))
    EXPECT_EQ(readText(library("Lib 1") / n), "iTunes:" + n);
  EXPECT_EQ(stored("First Use", REG_DWORD), bytes(std::string("\1\0\0\0", 4)));
  EXPECT_EQ(slots(), (std::vector<std::string>{"Lib 1", "Lib 2", "<empty>", "<empty>", "<empty>"}));
  EXPECT_EQ(form1->LibGroup->ItemIndex(), 0);
  EXPECT_TRUE(form1->CheckBox1->Checked());
  EXPECT_FALSE(form1->CheckBox2->Checked());
  // The selection handler ran: the list shows the active library's files.
  EXPECT_EQ(listed(), names(library("Lib 1")));
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(WineHome, OptionClicksStoreBothOptionsInTheSettingsKey) {
  settings("Lib 1", 1, 2, 0);
  fill(library("Lib 1"), kDatabase, "Lib 1");
  start();
  ASSERT_TRUE(form1->CheckBox1->Checked());

  form1->CheckBox2->userClick();
  EXPECT_EQ(stored("Overwrite Library", REG_DWORD), bytes(std::string("\1\0\0\0", 4)));
  EXPECT_EQ(stored("Copy Content", REG_DWORD), bytes(std::string("\1\0\0\0", 4)));
  EXPECT_TRUE(reporter.messages.empty());
}

}  // namespace
