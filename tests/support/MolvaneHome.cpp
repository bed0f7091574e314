#include "MolvaneHome.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Locations.h"
#include "Main.h"
#include "NewLibName.h"

MolvaneHome::MolvaneHome()
    : home(temp.path() / "home"),
      music(home / "My Documents" / "My Music"),
      iTunes(music / "iTunes"),
      librariesRoot(music / "Molvane") {
  std::filesystem::create_directories(iTunes);
  std::filesystem::create_directories(librariesRoot);
  registry.setString(reg::kCurrentUser, Locations::kVolatileEnvironment, "HOMEDRIVE", "");
  registry.setString(reg::kCurrentUser, Locations::kVolatileEnvironment, "HOMEPATH",
                     toProgramPath(home));
  settings("", false, false);
}

MolvaneHome::~MolvaneHome() = default;

void MolvaneHome::settings(const std::string& libraryName, bool overwriteLibrary,
                           bool copyContent) {
  registry.setString(reg::kLocalMachine, Locations::kSettingsKey, "Library Name", libraryName);
  registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "First Use", 1);
  registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "Overwrite Library",
                    overwriteLibrary ? 1 : 0);
  registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "Copy Content",
                    copyContent ? 1 : 0);
}

void MolvaneHome::library(const std::string& name, const std::vector<std::string>& names) {
  std::filesystem::create_directories(librariesRoot / name);
  for (const std::string& file : names) writeText(librariesRoot / name / file, file);
}

void MolvaneHome::iTunesFiles(const std::vector<std::string>& names) {
  for (const std::string& file : names) writeText(iTunes / file, file);
}

void MolvaneHome::start() { start(backend); }

void MolvaneHome::start(ControlBackend& drawnBy) {
  services_ = std::make_unique<Services>(
      Services{registry, filesLayer ? *filesLayer : files, shell,
               toProgramPath(temp.path() / "molvane"), processes, progress});
  app_ = std::make_unique<TApplication>(drawnBy, reporter);
  app_->Title = "Molvane";
  form1_ = &app_->CreateForm<TForm1>(*services_);
  form2_ = &app_->CreateForm<TForm2>(form1_->globals(), form1_->view(), *services_);
  form1_->SetNameDialog(form2_);
}

int MolvaneHome::slotOf(const std::string& library) {
  for (int i = 0; i < form1_->LibGroup->Count(); ++i)
    if (form1_->LibGroup->Item(i) == library) return i;
  ADD_FAILURE() << "no slot holds " << library;
  return -1;
}

const MemoryRegistry::Values& MolvaneHome::storedSettings() {
  return registry.values(reg::kLocalMachine, Locations::kSettingsKey);
}

std::string MolvaneHome::storedText(const std::string& name) {
  const auto& data = storedSettings().at(name).data;
  return data.empty() ? std::string() : std::string(data.begin(), data.end() - 1);
}

std::vector<std::string> MolvaneHome::namesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}
