// Start-up on the headless control backend over the real registry and files, with the music
// folder that Wine's own "Volatile Environment" names.
#include <gtest/gtest.h>

#include <regex>

#include "Locations.h"
#include "Main.h"
#include "WineHome.h"

namespace {

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
  EXPECT_EQ(stored("First Use", REG_DWORD), bytesOf(std::string("\1\0\0\0", 4)));
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
  EXPECT_EQ(stored("Overwrite Library", REG_DWORD), bytesOf(std::string("\1\0\0\0", 4)));
  EXPECT_EQ(stored("Copy Content", REG_DWORD), bytesOf(std::string("\1\0\0\0", 4)));
  EXPECT_TRUE(reporter.messages.empty());
}

}  // namespace
