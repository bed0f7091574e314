// The two options, the help button and the web link, driven through the real main window on the
// headless backend, over a temporary home and temporary hive files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "Fakes.h"
#include "LibraryFiles.h"
#include "Locations.h"
#include "Main.h"
#include "MemoryRegistry.h"
#include "Options.h"
#include "Services.h"
#include "TempDir.h"
#include "controls/TApplication.h"
#include "headless/HeadlessBackend.h"

#if defined(_WIN32)
#include "win32/Win32FileSystem.h"
using SystemFileSystem = Win32FileSystem;
#else
#include "posix/PosixFileSystem.h"
#include "registry/FileHiveRegistry.h"
using SystemFileSystem = PosixFileSystem;
#endif

namespace {

namespace stdfs = std::filesystem;

// Passes everything to the registry below, logs the name of every write it is asked for, and
// refuses the writes of one value as the system would.
class WatchedRegistry : public reg::Backend {
public:
  explicit WatchedRegistry(reg::Backend& inner) : inner_(inner) {}

  std::vector<std::string> writes;  // names asked for, in order, refused ones included
  std::string refuse;               // value name whose writes fail

  long openKey(reg::Handle parent, const std::string& subKey, std::uint32_t access,
               reg::Handle* result) override {
    return inner_.openKey(parent, subKey, access, result);
  }
  long queryValue(reg::Handle key, const std::string& name, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* size) override {
    return inner_.queryValue(key, name, type, data, size);
  }
  long setValue(reg::Handle key, const std::string& name, std::uint32_t type,
                const std::uint8_t* data, std::uint32_t size) override {
    writes.push_back(name);
    if (name == refuse) return reg::kAccessDenied;
    return inner_.setValue(key, name, type, data, size);
  }
  long closeKey(reg::Handle key) override { return inner_.closeKey(key); }

private:
  reg::Backend& inner_;
};

#if defined(_WIN32)
// The real registry is the machine's own, so on Windows the settings live in memory.
class SettingsStore : public MemoryRegistry {
public:
  SettingsStore(const stdfs::path&, const stdfs::path& home) {
    setString(reg::kCurrentUser, Locations::kVolatileEnvironment, "HOMEDRIVE", "");
    setString(reg::kCurrentUser, Locations::kVolatileEnvironment, "HOMEPATH", toProgramPath(home));
  }
  void install(std::uint32_t overwriteLibrary, std::uint32_t copyContent) {
    setString(reg::kLocalMachine, Locations::kSettingsKey, "Library Name", "Lib 1");
    setDword(reg::kLocalMachine, Locations::kSettingsKey, "First Use", 1);
    setDword(reg::kLocalMachine, Locations::kSettingsKey, "Overwrite Library", overwriteLibrary);
    setDword(reg::kLocalMachine, Locations::kSettingsKey, "Copy Content", copyContent);
  }
};
#else
// The settings in hive files of their own, as the program keeps them on this system.
class SettingsStore : public FileHiveRegistry {
public:
  SettingsStore(const stdfs::path& hives, const stdfs::path& home)
      : FileHiveRegistry(hives.string(), home.string()) {}
  void install(std::uint32_t overwriteLibrary, std::uint32_t copyContent) {
    auto dword = [](const char* name, std::uint32_t v) {
      std::vector<std::uint8_t> bytes(4);
      std::memcpy(bytes.data(), &v, 4);
      return HiveFormat::Value{name, reg::kDword, bytes};
    };
    const std::string lib = "Lib 1";
    std::vector<std::uint8_t> libBytes(lib.begin(), lib.end());
    libBytes.push_back(0);
    ASSERT_EQ(createKey(reg::kLocalMachine, Locations::kSettingsKey,
                        {{"Library Name", reg::kSz, libBytes}, dword("First Use", 1),
                         dword("Overwrite Library", overwriteLibrary),
                         dword("Copy Content", copyContent)}),
              reg::kSuccess);
  }
};
#endif

// A home folder with an iTunes folder and one library, "Lib 1", both holding the four database
// files, and the program started over it.
class OptionsHome {
public:
  OptionsHome()
      : home_(temp_.path() / "home"),
        music_(home_ / "My Documents" / "My Music"),
        store(temp_.path() / "registry", home_),
        services_{registry, files, shell, toProgramPath(programFolder() / "molvane")},
        app_(backend, reporter) {
    stdfs::create_directories(music_ / "iTunes");
    stdfs::create_directories(music_ / "Molvane" / "Lib 1");
    for (const char* file : LibraryFiles) {
      writeText(music_ / "iTunes" / file, std::string("iTunes: ") + file);
      writeText(music_ / "Molvane" / "Lib 1" / file, std::string("Lib 1: ") + file);
    }
    app_.Title = "Molvane";
  }

  // The settings key as the installer leaves it, with the options given as stored numbers.
  void settings(std::uint32_t overwriteLibrary, std::uint32_t copyContent) {
    store.install(overwriteLibrary, copyContent);
  }

  TForm1& start() {
    form_ = &app_.CreateForm<TForm1>(services_);
    return *form_;
  }
  // Where the program runs from: its executable is "molvane" in this folder.
  stdfs::path programFolder() const { return temp_.path() / "bin"; }

  // A stored option as the program wrote it: REG_DWORD with 4 bytes, or nothing.
  std::optional<std::uint32_t> option(const std::string& name) {
    reg::Handle key = reg::kNoKey;
    if (store.openKey(reg::kLocalMachine, Locations::kSettingsKey, reg::kRead, &key) !=
        reg::kSuccess)
      return std::nullopt;
    std::uint32_t type = 0, size = 8, value = 0;
    std::uint8_t data[8] = {};
    const long status = store.queryValue(key, name, &type, data, &size);
    store.closeKey(key);
    if (status != reg::kSuccess) return std::nullopt;
    EXPECT_EQ(type, reg::kDword) << name;
    EXPECT_EQ(size, 4u) << name;
    std::memcpy(&value, data, 4);
    return value;
  }

private:
  // First, since the settings store and the program's files live in it.
  TempDir temp_;
  stdfs::path home_, music_;

public:
  SettingsStore store;
  WatchedRegistry registry{store};
  SystemFileSystem files;
  RecordingShell shell;
  HeadlessBackend backend;
  RecordingReporter reporter;

private:
  Services services_;
  TApplication app_;
  TForm1* form_ = nullptr;
};

}  // namespace

// Whichever box is clicked, from whatever stored state, both values are written, in order, as
// the boxes show them; a stored 2 counts as ticked and goes back as 1.
TEST(Options, EveryClickStoresBothBoxesInOrder) {
  for (std::uint32_t storedOverwrite : {0u, 1u, 2u}) {
    for (std::uint32_t storedCopy : {0u, 1u, 2u}) {
      for (int box : {1, 2}) {
        SCOPED_TRACE("stored " + std::to_string(storedOverwrite) + "/" +
                     std::to_string(storedCopy) + ", clicking CheckBox" + std::to_string(box));
        OptionsHome h;
        h.settings(storedOverwrite, storedCopy);
        TForm1& f = h.start();
        ASSERT_TRUE(h.reporter.messages.empty()) << h.reporter.messages.front();
        EXPECT_EQ(f.CheckBox1->Checked(), storedOverwrite != 0);
        EXPECT_EQ(f.CheckBox2->Checked(), storedCopy != 0);
        // Restoring the options at start-up writes nothing.
        EXPECT_TRUE(h.registry.writes.empty());
        EXPECT_EQ(h.option("Overwrite Library"), storedOverwrite);
        EXPECT_EQ(h.option("Copy Content"), storedCopy);

        TCheckBox& clicked = box == 1 ? *f.CheckBox1 : *f.CheckBox2;
        // Tick or untick, then back again: both directions from every starting state.
        for (int click = 0; click < 2; ++click) {
          const bool before = clicked.Checked();
          h.registry.writes.clear();
          clicked.userClick();
          EXPECT_EQ(clicked.Checked(), !before);
          EXPECT_EQ(h.registry.writes,
                    (std::vector<std::string>{"Overwrite Library", "Copy Content"}));
          EXPECT_EQ(h.option("Overwrite Library"), f.CheckBox1->Checked() ? 1u : 0u);
          EXPECT_EQ(h.option("Copy Content"), f.CheckBox2->Checked() ? 1u : 0u);
        }
        EXPECT_TRUE(h.reporter.messages.empty());
      }
    }
  }
}

// A refused write ends the handler with the accessor's message; a refused first write stops
// the second, and the clicked box keeps its new state. "Overwrite Library" starts as 2, so a
// value that was written (as 1 or 0) shows apart from one that was left alone.
TEST(Options, ARefusedWriteIsReportedAndStopsTheHandler) {
  struct Case {
    const char* refused;
    int box;
    std::vector<std::string> tried;
    std::uint32_t overwriteAfter, copyAfter;
  };
  const Case cases[] = {
      {"Overwrite Library", 1, {"Overwrite Library"}, 2, 0},
      {"Overwrite Library", 2, {"Overwrite Library"}, 2, 0},
      {"Copy Content", 1, {"Overwrite Library", "Copy Content"}, 0, 0},
      {"Copy Content", 2, {"Overwrite Library", "Copy Content"}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.refused) + " refused, clicking CheckBox" + std::to_string(c.box));
    OptionsHome h;
    h.settings(2, 0);
    TForm1& f = h.start();
    h.registry.refuse = c.refused;
    TCheckBox& clicked = c.box == 1 ? *f.CheckBox1 : *f.CheckBox2;
    const bool before = clicked.Checked();

    clicked.userClick();

    EXPECT_EQ(h.reporter.messages,
              std::vector<std::string>{"Failed to set data for '" + std::string(c.refused) + "'"});
    EXPECT_EQ(h.registry.writes, c.tried);
    EXPECT_EQ(clicked.Checked(), !before);
    EXPECT_EQ(h.option("Overwrite Library"), c.overwriteAfter);
    EXPECT_EQ(h.option("Copy Content"), c.copyAfter);
  }
}

// Without the settings key at start-up no key is open, so option clicks fail and store nothing,
// even after the key has appeared, until a library activation opens it.
TEST(Options, WithoutTheSettingsKeyClicksFailUntilAnActivationFindsIt) {
  OptionsHome h;
  TForm1& f = h.start();
  ASSERT_EQ(h.reporter.messages, std::vector<std::string>{"Failed to get data for 'First Use'"});
  h.reporter.messages.clear();

  f.CheckBox1->userClick();
  EXPECT_FALSE(f.CheckBox1->Checked()) << "the box keeps its new state";
  EXPECT_EQ(h.reporter.messages,
            std::vector<std::string>{"Failed to set data for 'Overwrite Library'"});
  EXPECT_EQ(h.registry.writes, std::vector<std::string>{})
      << "with no key open nothing reaches the registry";
  EXPECT_FALSE(h.option("Overwrite Library"));

  // The key appears (an installer runs meanwhile); the accessor still has no key open.
  h.settings(1, 0);
  h.reporter.messages.clear();
  f.CheckBox2->userClick();
  EXPECT_EQ(h.reporter.messages,
            std::vector<std::string>{"Failed to set data for 'Overwrite Library'"});
  EXPECT_EQ(h.option("Overwrite Library"), 1u);
  EXPECT_EQ(h.option("Copy Content"), 0u);

  // Making the library in slot 0 active opens the settings key and leaves it open.
  h.reporter.messages.clear();
  f.LibGroup->userSelect(0);
  f.Button2->userClick();
  ASSERT_TRUE(h.reporter.messages.empty()) << h.reporter.messages.front();

  h.registry.writes.clear();
  f.CheckBox2->userClick();
  EXPECT_TRUE(h.reporter.messages.empty());
  EXPECT_EQ(h.registry.writes, (std::vector<std::string>{"Overwrite Library", "Copy Content"}));
  EXPECT_EQ(h.option("Overwrite Library"), 0u);
  EXPECT_EQ(h.option("Copy Content"), f.CheckBox2->Checked() ? 1u : 0u);
}

// Both picture buttons reach the shell's "open" with the main window as owner, the exact target,
// no parameters or folder, and their show command: the help file beside the executable,
// maximised, and the maker's address in its current size. The working folder plays no part.
TEST(Options, PictureButtonsOpenTheirTargetsThroughTheShell) {
  TempDir elsewhere;
  const stdfs::path startedIn = stdfs::current_path();
  OptionsHome h;
  h.settings(1, 0);
  TForm1& f = h.start();
  const std::uintptr_t owner = h.backend.nativeHandle(f);
  ASSERT_NE(owner, 0u);
  const struct {
    const char* name;
    TSpeedButton* button;
    std::string target;
    int showCommand;
  } cases[] = {
      {"help", f.SpeedButton1, toProgramPath(h.programFolder()) + "\\Molvane Help.chm", 3},
      {"web link", f.SpeedButton2, kMakerWebAddress, 5},
  };
  for (const auto& c : cases) {
    for (const stdfs::path& folder : {startedIn, elsewhere.path()}) {
      SCOPED_TRACE(std::string(c.name) + " from " + folder.string());
      stdfs::current_path(folder);
      h.shell.calls.clear();
      c.button->userClick();
      stdfs::current_path(startedIn);
      ASSERT_EQ(h.shell.calls.size(), 1u);
      const RecordingShell::Call& call = h.shell.calls[0];
      EXPECT_EQ(call.owner, owner);
      EXPECT_EQ(call.operation, "open");
      EXPECT_EQ(call.file, c.target);
      EXPECT_EQ(call.parameters, "");
      EXPECT_EQ(call.directory, "");
      EXPECT_EQ(call.showCommand, c.showCommand);
    }
  }
  // There is no help file in this temporary program folder: the program shows nothing of its
  // own and writes nothing.
  EXPECT_TRUE(h.reporter.messages.empty());
  EXPECT_TRUE(h.registry.writes.empty());
}

// The maker has no site yet: the link must not lead to somebody's real one.
TEST(Options, TheMakersAddressIsAReservedExampleAddress) {
  EXPECT_TRUE(std::regex_match(kMakerWebAddress,
                               std::regex(R"(https?://([a-z0-9-]+\.)*example\.(com|org|net)(/.*)?)")))
      << kMakerWebAddress;
}

TEST(Options, HelpFileLiesInTheExecutablesFolder) {
  const struct {
    const char* executable;
    const char* help;
  } cases[] = {
      {"C:\\Program Files\\Molvane\\Molvane.exe", "C:\\Program Files\\Molvane\\Molvane Help.chm"},
      {"\\home\\ann\\build\\molvane", "\\home\\ann\\build\\Molvane Help.chm"},
      {"D:\\Tools.v2\\x\\Molvane.exe", "D:\\Tools.v2\\x\\Molvane Help.chm"},
      {"\\\\server\\apps\\Molvane.exe", "\\\\server\\apps\\Molvane Help.chm"},
      {"\\molvane", "\\Molvane Help.chm"},
  };
  for (const auto& c : cases) EXPECT_EQ(helpFilePath(c.executable), c.help) << c.executable;
}
