#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "LibraryFiles.h"
#include "LibrarySwitch.h"
#include "Locations.h"
#include "Main.h"
#include "MakeLibActive.h"
#include "MolvaneHome.h"
#include "StepFaultFileSystem.h"

namespace stdfs = std::filesystem;

namespace {

// Fails every value write, as a registry that refuses changes does.
class RefusingRegistry : public reg::Backend {
public:
  reg::Backend* inner = nullptr;
  long openKey(reg::Handle parent, const std::string& subKey, std::uint32_t access,
               reg::Handle* result) override {
    return inner->openKey(parent, subKey, access, result);
  }
  long queryValue(reg::Handle key, const std::string& name, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* size) override {
    return inner->queryValue(key, name, type, data, size);
  }
  long setValue(reg::Handle, const std::string&, std::uint32_t, const std::uint8_t*,
                std::uint32_t) override {
    return reg::kAccessDenied;
  }
  long closeKey(reg::Handle key) override { return inner->closeKey(key); }
};

// "Lib 1" is active; "Lib 2" holds its own database files, "Notes.txt" and "Other.txt"; the
// iTunes folder holds its own database files and "Notes.txt". Every file's text says where it
// came from.
struct MakeLibActiveTest : ::testing::Test {
  RefusingRegistry refusing;  // outlives the windows, whose accessor may be handed it
  MolvaneHome h;
  std::vector<std::string> database{LibraryFiles.begin(), LibraryFiles.end()};

  void put(const stdfs::path& folder, const std::vector<std::string>& names,
           const std::string& origin) {
    stdfs::create_directories(folder);
    for (const std::string& n : names) writeText(folder / n, origin + " " + n);
  }
  std::vector<std::string> plus(std::vector<std::string> names, const std::string& more) {
    names.push_back(more);
    return names;
  }
  void arrange(bool overwriteLibrary) {
    put(h.iTunes, plus(database, "Notes.txt"), "iTunes");
    put(h.librariesRoot / "Lib 1", plus(database, "Notes.txt"), "Lib 1");
    put(h.librariesRoot / "Lib 2", plus(plus(database, "Notes.txt"), "Other.txt"), "Lib 2");
    h.settings("Lib 1", overwriteLibrary, false);
    h.start();
  }

  TForm1& form() { return h.form1(); }
  Globals& g() { return h.form1().globals(); }
  int slotOf(const std::string& name) {
    for (int i = 0; i < form().LibGroup->Count(); ++i)
      if (form().LibGroup->Item(i) == name) return i;
    return -1;
  }
  void tick(const std::string& name) {
    const auto& items = form().CheckListBox1->Items();
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
      if (items[static_cast<size_t>(i)].text == name) form().CheckListBox1->userToggle(i);
  }
  void click() { form().Button2->userClick(); }

  std::vector<std::uint8_t> storedNameBytes() {
    auto values = h.registry.values(reg::kLocalMachine, Locations::kSettingsKey);
    auto it = values.find("Library Name");
    return it == values.end() ? std::vector<std::uint8_t>{} : it->second.data;
  }
  std::string storedName() {
    auto bytes = storedNameBytes();
    return bytes.empty() ? std::string() : std::string(bytes.begin(), bytes.end() - 1);
  }
  // The file list with ticks and locks, and the selection: what a switch must leave alone.
  std::string listState() {
    std::string out = "selected " + std::to_string(form().LibGroup->ItemIndex()) + ";";
    for (const auto& item : form().CheckListBox1->Items())
      out += item.text + (item.checked ? "+" : "-") + (item.enabled ? "" : "L") + ";";
    return out;
  }
  // Every file below the music folder with its text, hidden ones included.
  std::vector<std::string> folders() {
    std::vector<std::string> out;
    for (const auto& e : stdfs::recursive_directory_iterator(h.music))
      out.push_back(stdfs::relative(e.path(), h.music).generic_string() +
                    (e.is_regular_file() ? "=" + readText(e.path()) : "/"));
    std::sort(out.begin(), out.end());
    return out;
  }
};

// With CheckBox1 ticked (save back) and not.
struct MakeLibActiveBothWays : MakeLibActiveTest, ::testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(SaveBack, MakeLibActiveBothWays, ::testing::Bool());

// Switching from the active library to another, with a further file ticked.
TEST_P(MakeLibActiveBothWays, SwitchesToTheSelectedLibrary) {
  const bool overwrite = GetParam();
  arrange(overwrite);
  const int slot1 = slotOf("Lib 1"), slot2 = slotOf("Lib 2");
  ASSERT_EQ(g().ActiveLib, slot1);
  form().LibGroup->userSelect(slot2);
  tick("Notes.txt");
  const std::string list = listState();
  click();

  EXPECT_TRUE(h.reporter.messages.empty());
  for (const std::string& n : plus(database, "Notes.txt")) {
    EXPECT_EQ(readText(h.iTunes / n), "Lib 2 " + n);
    EXPECT_EQ(readText(h.librariesRoot / "Lib 1" / n), (overwrite ? "iTunes " : "Lib 1 ") + n);
  }
  EXPECT_FALSE(stdfs::exists(h.iTunes / "Other.txt"));
  EXPECT_EQ(storedName(), "Lib 2");
  EXPECT_EQ(storedNameBytes().size(), 6u);
  EXPECT_EQ(g().ActiveLib, slot2);
  EXPECT_EQ(form().Image1->Top(), 48 + 24 * slot2);
  EXPECT_EQ(g().ActiveLibName, "Lib 1");
  EXPECT_EQ(listState(), list);
}

TEST_P(MakeLibActiveBothWays, ActivatingTheActiveLibrary) {
  const bool overwrite = GetParam();
  arrange(overwrite);
  click();
  EXPECT_TRUE(h.reporter.messages.empty());
  for (const std::string& n : database) {
    EXPECT_EQ(readText(h.iTunes / n), (overwrite ? "iTunes " : "Lib 1 ") + n);
    EXPECT_EQ(readText(h.librariesRoot / "Lib 1" / n), (overwrite ? "iTunes " : "Lib 1 ") + n);
  }
  EXPECT_EQ(storedName(), "Lib 1");
}

// The guards: no selection, and a selected library whose folder lists nothing. Nothing
// happens, not even the settings write.
TEST_F(MakeLibActiveTest, GuardsChangeNothing) {
  arrange(true);
  stdfs::create_directories(h.librariesRoot / "Lib 3");
  stdfs::remove_all(h.librariesRoot / "Lib 2");
  stdfs::create_directories(h.librariesRoot / "Lib 2");
  const std::vector<std::string> before = folders();
  const int writes = h.registry.writes;
  const int top = form().Image1->Top();
  const int active = g().ActiveLib;

  form().LibGroup->userSelect(slotOf("Lib 2"));
  ASSERT_EQ(form().CheckListBox1->Count(), 0);
  click();

  form().LibGroup->OnClick = nullptr;
  form().LibGroup->SetItemIndex(-1);
  ::MakeLibActive(g(), form().view(), h.files);

  EXPECT_EQ(folders(), before);
  EXPECT_EQ(h.registry.writes, writes);
  EXPECT_EQ(form().Image1->Top(), top);
  EXPECT_EQ(g().ActiveLib, active);
  EXPECT_TRUE(h.reporter.messages.empty());
}

// No library at all: the file list shows the iTunes folder, and slot 0 still reads "Lib 1".
TEST_F(MakeLibActiveTest, NoLibraryAtAll) {
  put(h.iTunes, database, "iTunes");
  h.settings("", false, false);
  h.start();
  ASSERT_EQ(g().LibCount, 0);
  ASSERT_EQ(form().CheckListBox1->Count(), 4);
  const std::vector<std::string> before = folders();
  click();
  EXPECT_TRUE(h.reporter.messages.empty());
  EXPECT_EQ(storedName(), "Lib 1");
  EXPECT_EQ(form().Image1->Top(), 48);
  EXPECT_EQ(folders(), before);

  // Saving back into a library folder that does not exist is refused, and said so.
  h.registry.setString(reg::kLocalMachine, Locations::kSettingsKey, "Library Name", "");
  form().CheckBox1->SetCheckedQuietly(true);
  click();
  ASSERT_EQ(h.reporter.messages.size(), 1u);
  EXPECT_NE(h.reporter.messages[0].find(toProgramPath(h.librariesRoot / "Lib 1")),
            std::string::npos);
  EXPECT_EQ(storedName(), "");
  EXPECT_EQ(folders(), before);
}

// A failure is shown through the handler boundary; the files, the name, ActiveLib and the
// indicator stay as they were.
TEST_F(MakeLibActiveTest, AFailedSwitchIsShownAndChangesNothing) {
  arrange(true);
  const std::vector<std::string> before = folders();
  const int slot1 = slotOf("Lib 1");
  form().LibGroup->userSelect(slotOf("Lib 2"));
  const std::string list = listState();
  // The sixth file cannot be moved aside: five have been replaced by then.
  h.files.failOn("renameReplace", "-5.old", fs::Error::AccessDenied, "Permission denied");
  click();

  ASSERT_EQ(h.reporter.messages.size(), 1u);
  const std::string& message = h.reporter.messages[0];
  EXPECT_EQ(message.rfind("Could not replace \"", 0), 0u) << message;
  EXPECT_NE(message.find("\" in \"" + toProgramPath(h.iTunes) +
                         "\": Permission denied. Nothing was changed."),
            std::string::npos)
      << message;
  EXPECT_EQ(folders(), before);
  EXPECT_EQ(storedName(), "Lib 1");
  EXPECT_EQ(g().ActiveLib, slot1);
  EXPECT_EQ(form().Image1->Top(), 48 + 24 * slot1);
  EXPECT_EQ(listState(), list);
}

// A file that can be neither replaced nor put back: the message says the switch could not be
// undone, no further switch starts, and the next start puts the folders back.
TEST_F(MakeLibActiveTest, AFailureThatCannotBeUndoneIsLeftToTheNextStart) {
  arrange(true);
  const std::vector<std::string> before = folders();
  form().LibGroup->userSelect(slotOf("Lib 2"));
  h.files.failOn("renameReplace", "\\iTunes\\iTunes Music Library.xml",
                 fs::Error::AccessDenied, "Permission denied");
  click();
  ASSERT_EQ(h.reporter.messages.size(), 1u);
  EXPECT_NE(h.reporter.messages[0].find("could not be undone"), std::string::npos)
      << h.reporter.messages[0];
  EXPECT_EQ(storedName(), "Lib 1");
  EXPECT_EQ(g().ActiveLib, slotOf("Lib 1"));

  click();
  ASSERT_EQ(h.reporter.messages.size(), 2u);
  EXPECT_NE(h.reporter.messages[1].find("Restart Molvane"), std::string::npos);

  recoverInterruptedSwitch(g().MusicFolder, h.disk, h.registry);
  EXPECT_EQ(folders(), before);
  EXPECT_EQ(storedName(), "Lib 1");
}

TEST_F(MakeLibActiveTest, ARegistryFailureIsShownAndChangesNothing) {
  arrange(true);
  const std::vector<std::string> before = folders();
  const int slot1 = slotOf("Lib 1");
  refusing.inner = &h.registry;
  g().Reg = std::make_unique<TRegistry>(refusing);
  form().LibGroup->userSelect(slotOf("Lib 2"));
  click();

  ASSERT_EQ(h.reporter.messages.size(), 1u);
  EXPECT_EQ(h.reporter.messages[0], "Failed to set data for 'Library Name'");
  EXPECT_EQ(folders(), before);
  EXPECT_EQ(g().ActiveLib, slot1);
  EXPECT_EQ(form().Image1->Top(), 48 + 24 * slot1);
}

// A switch that stopped half way before the program started again is finished before the
// folders are listed, so the program starts with the library the files belong to.
TEST_F(MakeLibActiveTest, StartUpFinishesAnInterruptedSwitch) {
  put(h.iTunes, plus(database, "Notes.txt"), "iTunes");
  put(h.librariesRoot / "Lib 1", plus(database, "Notes.txt"), "Lib 1");
  put(h.librariesRoot / "Lib 2", plus(database, "Notes.txt"), "Lib 2");
  h.settings("Lib 1", true, false);

  SwitchRequest request;
  request.musicFolder = toProgramPath(h.music);
  request.previousLibrary = "Lib 1";
  request.selectedLibrary = "Lib 2";
  request.ticked = plus(database, "Notes.txt");
  request.saveBack = true;
  StepFaultFileSystem crashing(h.disk);
  crashing.crashAt(14);  // ten copies, the journal, then inside the renames
  EXPECT_THROW(LibrarySwitch(crashing, [](const std::string&) {}).run(request), SimulatedCrash);
  ASSERT_TRUE(stdfs::exists(h.librariesRoot / ".molvane-switch"));

  h.start();
  EXPECT_TRUE(h.reporter.messages.empty());
  EXPECT_EQ(storedName(), "Lib 2");
  EXPECT_EQ(g().ActiveLibName, "Lib 2");
  EXPECT_EQ(g().ActiveLib, slotOf("Lib 2"));
  EXPECT_EQ(g().Reg->CurrentPath(), Locations::kSettingsKey);
  for (const std::string& n : plus(database, "Notes.txt")) {
    EXPECT_EQ(readText(h.iTunes / n), "Lib 2 " + n);
    EXPECT_EQ(readText(h.librariesRoot / "Lib 1" / n), "iTunes " + n);
  }
  for (const std::string& entry : folders())
    EXPECT_EQ(entry.find(fs::kTemporaryPrefix), std::string::npos) << entry;
}

// When the interrupted switch cannot be finished, start-up says so and the window opens with
// nothing listed, so no command can work on the folders.
TEST_F(MakeLibActiveTest, StartUpThatCannotFinishASwitchLeavesTheFoldersAlone) {
  put(h.iTunes, database, "iTunes");
  put(h.librariesRoot / "Lib 1", database, "Lib 1");
  h.settings("Lib 1", true, false);
  writeText(h.librariesRoot / ".molvane-switch", "not a journal");
  const std::vector<std::string> before = folders();
  const int writes = h.registry.writes;

  h.start();
  ASSERT_EQ(h.reporter.messages.size(), 1u);
  EXPECT_NE(h.reporter.messages[0].find("interrupted switch"), std::string::npos);
  EXPECT_EQ(form().CheckListBox1->Count(), 0);
  click();
  EXPECT_EQ(folders(), before);
  EXPECT_EQ(h.registry.writes, writes);
}

}  // namespace
