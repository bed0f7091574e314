#include "WineHome.h"

#include <algorithm>
#include <cstdlib>

#include "Main.h"
#include "NewLibName.h"
#include "TempDir.h"

namespace stdfs = std::filesystem;

const std::vector<std::string> WineHome::kDatabase = {
    "iTunes Library.itl", "iTunes Music Library.xml", "iTunes Library Extras.itdb",
    "iTunes Library Genius.itdb"};

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

std::string WineHome::environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

void WineHome::SetUp() {
  if (!runningUnderWine())
    GTEST_SKIP() << "writes into the user's music folder: runs only in a throwaway Wine prefix";
  ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine.handle()), ERROR_SUCCESS);
  overridden = true;

  // The home folder as the process's environment has it, which Wine fills from the same place
  // as the registry's "Volatile Environment": a second witness for what start-up reads.
  const std::string home = environment("HOMEDRIVE") + environment("HOMEPATH");
  music = home + "\\My Documents\\My Music";
  documents = stdfs::path(home) / "My Documents";
  ASSERT_FALSE(stdfs::exists(documents)) << "left over from an earlier run: " << documents;
  stdfs::create_directories(iTunes());
  stdfs::create_directories(library(""));
}

void WineHome::TearDown() {
  app.reset();
  if (overridden) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  std::error_code ec;
  if (!documents.empty()) stdfs::remove_all(documents, ec);
}

stdfs::path WineHome::iTunes() const { return stdfs::path(music) / "iTunes"; }

stdfs::path WineHome::library(const std::string& name) const {
  return stdfs::path(music) / "Molvane" / name;
}

void WineHome::fill(const stdfs::path& folder, const std::vector<std::string>& names,
                    const std::string& tag) {
  stdfs::create_directories(folder);
  for (const std::string& n : names) writeText(folder / n, tag + ":" + n);
}

std::vector<std::string> WineHome::names(const stdfs::path& folder) {
  return namesIn(folder.string());
}

std::map<std::string, std::string> WineHome::snapshot() const {
  std::map<std::string, std::string> found;
  for (const auto& entry : stdfs::recursive_directory_iterator(music)) {
    const std::string relative = stdfs::relative(entry.path(), music).string();
    found[relative] = entry.is_directory() ? "<folder>" : readText(entry.path());
  }
  return found;
}

void WineHome::settings(const std::string& libraryName, DWORD firstUse, DWORD overwrite,
                        DWORD copy) {
  settingsKey.setString("Library Name", libraryName);
  settingsKey.setDword("First Use", firstUse);
  settingsKey.setDword("Overwrite Library", overwrite);
  settingsKey.setDword("Copy Content", copy);
}

std::vector<std::uint8_t> WineHome::stored(const std::string& name, DWORD expectedType) {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;
  EXPECT_TRUE(settingsKey.value(name, type, data)) << name;
  EXPECT_EQ(type, expectedType) << name;
  return data;
}

void WineHome::start() {
  services = std::make_unique<Services>(Services{registry, files, shell, "C:\\Molvane.exe"});
  app = std::make_unique<TApplication>(backend, reporter);
  app->Title = "Molvane";
  form1 = &app->CreateForm<TForm1>(*services);
  form2 = &app->CreateForm<TForm2>(form1->globals(), form1->view(), *services);
  form1->SetNameDialog(form2);
}

std::vector<std::string> WineHome::listed() const {
  std::vector<std::string> s;
  for (int i = 0; i < form1->CheckListBox1->Count(); ++i)
    s.push_back(form1->CheckListBox1->Item(i));
  std::sort(s.begin(), s.end());
  return s;
}

std::vector<std::string> WineHome::slots() const {
  std::vector<std::string> s;
  for (int i = 0; i < form1->LibGroup->Count(); ++i) s.push_back(form1->LibGroup->Item(i));
  return s;
}
