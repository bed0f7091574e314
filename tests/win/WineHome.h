#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Fakes.h"
#include "Services.h"
#include "TempDir.h"
#include "WinTestSupport.h"
#include "controls/TApplication.h"
#include "headless/HeadlessBackend.h"
#include "win32/Win32FileSystem.h"
#include "win32/Win32Registry.h"

class TForm1;
class TForm2;

// The whole program on the headless control backend over the real registry and the real files.
// The music folder is the one Wine's "Volatile Environment" names; the settings key lives in a
// scratch key that stands in for HKEY_LOCAL_MACHINE. Since the folders are the Wine user's own,
// the cases only run under Wine, in the prefix that scripts/test-windows throws away.
class WineHome : public ::testing::Test {
protected:
  static const std::vector<std::string> kDatabase;  // the four library database files

  void SetUp() override;
  void TearDown() override;

  std::filesystem::path iTunes() const;
  std::filesystem::path library(const std::string& name) const;
  // Every file's text names its folder, so a copy shows where it came from.
  static void fill(const std::filesystem::path& folder, const std::vector<std::string>& names,
                   const std::string& tag);
  static std::vector<std::string> names(const std::filesystem::path& folder);
  // Every file below the music folder with its content, by path relative to it.
  std::map<std::string, std::string> snapshot() const;

  // The settings as an installer and earlier runs left them.
  void settings(const std::string& libraryName, DWORD firstUse, DWORD overwrite, DWORD copy);
  // A value of the settings key as stored, checked to be of the expected type.
  std::vector<std::uint8_t> stored(const std::string& name, DWORD expectedType);

  // Creates both windows as the program's entry does.
  void start();
  std::vector<std::string> listed() const;
  std::vector<std::string> slots() const;

  static std::string environment(const char* name);

  ScratchKey machine{HKEY_CURRENT_USER, "Software\\MolvaneTest\\Machine"};
  ScratchKey settingsKey{HKEY_CURRENT_USER,
                         "Software\\MolvaneTest\\Machine\\Software\\Zarnet\\Molvane"};
  bool overridden = false;

  std::string music;  // the music folder in the program's form
  std::filesystem::path documents;

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

std::vector<std::uint8_t> bytesOf(const std::string& s);
