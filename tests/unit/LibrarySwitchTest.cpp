#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ERegistryException.h"
#include "LibrarySwitch.h"
#include "RealFaults.h"
#include "StepFaultFileSystem.h"
#include "TempDir.h"

#if defined(_WIN32)
#include "win32/Win32FileSystem.h"
using SystemFileSystem = Win32FileSystem;
#else
#include "posix/PosixFileSystem.h"
using SystemFileSystem = PosixFileSystem;
#endif

namespace stdfs = std::filesystem;

namespace {

const std::vector<std::string> kDatabase = {"iTunes Library.itl", "iTunes Music Library.xml",
                                            "iTunes Library Extras.itdb",
                                            "iTunes Library Genius.itdb"};

// Every file below the music folder with its content and modification time, and every folder
// (its name ending in "/"), hidden ones included: two equal snapshots mean nothing changed and
// nothing was left behind.
struct Entry {
  std::string content;
  stdfs::file_time_type time{};
  bool operator==(const Entry&) const = default;
};
using Snapshot = std::map<std::string, Entry>;

Snapshot snapshot(const stdfs::path& top) {
  Snapshot s;
  for (const auto& e : stdfs::recursive_directory_iterator(top)) {
    const std::string relative = stdfs::relative(e.path(), top).generic_string();
    if (e.is_directory())
      s[relative + "/"] = {};
    else
      s[relative] = {readText(e.path()), stdfs::last_write_time(e.path())};
  }
  return s;
}

std::string differences(const Snapshot& got, const Snapshot& want) {
  std::string out;
  for (const auto& [name, entry] : got) {
    auto it = want.find(name);
    if (it == want.end()) out += "\n  unexpected " + name;
    else if (!(it->second == entry)) out += "\n  differs " + name + ": \"" + entry.content + "\"";
  }
  for (const auto& [name, entry] : want)
    if (!got.count(name)) out += "\n  missing " + name;
  return out;
}

bool isTemporary(const std::string& relative) {
  const auto slash = relative.find_last_of('/', relative.size() - 2);
  const std::string name = relative.substr(slash == std::string::npos ? 0 : slash + 1);
  return name.rfind(fs::kTemporaryPrefix, 0) == 0;
}

Snapshot withoutTemporaries(Snapshot s) {
  std::erase_if(s, [](const auto& e) { return isTemporary(e.first); });
  return s;
}

// The music folder of one test: an iTunes folder and three libraries, every file's content
// naming its folder and name, every file with a modification time of its own.
struct Scene {
  explicit Scene(const stdfs::path& base)
      : music(base / "My Music"), iTunes(music / "iTunes"), root(music / "Molvane") {}

  void populate() {
    stdfs::create_directories(iTunes);
    for (const std::string& n : kDatabase) file(iTunes / n);
    file(iTunes / "Cover.jpg");
    file(iTunes / "Only iTunes.txt");
    const stdfs::path a = root / "Lib A", b = root / "Lib B", c = root / "Lib C";
    stdfs::create_directories(a);
    for (const std::string& n : kDatabase) file(a / n);
    file(a / "Cover.jpg");
    file(a / "Notes.txt");
    // Lib B lacks the Genius database, has a further file the iTunes folder lacks, an
    // unticked file, and a folder among its listed entries.
    stdfs::create_directories(b / "Folder.d");
    for (std::size_t i = 0; i < 3; ++i) file(b / kDatabase[i]);
    file(b / "Cover.jpg");
    file(b / "Extra.mp3");
    file(b / "Unticked.txt");
    stdfs::create_directories(c);
    for (const std::string& n : kDatabase) file(c / n);
  }

  void file(const stdfs::path& path, const std::string& content = {}) {
    writeText(path, content.empty() ? stdfs::relative(path, music).generic_string() : content);
    stdfs::last_write_time(path, stdfs::file_time_type::clock::now() -
                                     std::chrono::minutes(1000 + 7 * ++files));
  }

  // The file list as it shows the selected library: its entries, all ticked but one.
  SwitchRequest request(bool saveBack, const std::string& prev = "Lib A",
                        const std::string& sel = "Lib B") const {
    SwitchRequest r;
    r.musicFolder = toProgramPath(music);
    r.previousLibrary = prev;
    r.selectedLibrary = sel;
    r.ticked = {kDatabase[0], kDatabase[1], kDatabase[2], "Cover.jpg", "Extra.mp3", "Folder.d"};
    r.saveBack = saveBack;
    return r;
  }

  StoreLibraryName store() {
    return [this](const std::string& name) { storedName = name; };
  }

  stdfs::path music, iTunes, root;
  std::string storedName = "Lib A";
  int files = 0;
};

// The two passes run one after the other on a snapshot: the result the switch must give.
Snapshot twoPasses(Snapshot s, const SwitchRequest& r) {
  const std::string i = "iTunes/";
  const std::string p = "Molvane/" + r.previousLibrary + "/";
  const std::string sel = "Molvane/" + r.selectedLibrary + "/";
  if (r.saveBack)
    for (const std::string& n : r.ticked)
      if (s.count(i + n) && s.count(p)) s[p + n] = s[i + n];
  for (const std::string& n : r.ticked)
    if (s.count(sel + n)) s[i + n] = s[sel + n];
  return s;
}

struct Scenario {
  const char* what;
  bool saveBack;
  const char* prev;
  const char* sel;
};
const Scenario kScenarios[] = {
    {"another library, saving back", true, "Lib A", "Lib B"},
    {"another library", false, "Lib A", "Lib B"},
    {"the active library, saving back", true, "Lib B", "Lib B"},
    {"the active library", false, "Lib B", "Lib B"},
};

class LibrarySwitchTest : public ::testing::Test {
protected:
  // A fresh scene in a folder of its own for each attempt of a loop.
  struct Attempt {
    explicit Attempt(const stdfs::path& where) : folder(where), scene(where) {
      stdfs::create_directories(where);
      scene.populate();
    }
    ~Attempt() {
      std::error_code ec;
      stdfs::remove_all(folder, ec);
    }
    stdfs::path folder;
    Scene scene;
  };
  stdfs::path next() { return dir.path() / ("attempt-" + std::to_string(++attempts)); }

  TempDir dir;
  // The hundreds of attempts of the step loops run on a tmpfs when one can be mounted: the
  // same calls, without waiting for the disk at every flush.
  SmallFileSystem fast{dir.path(), std::size_t{256} << 20};
  int attempts = 0;
  SystemFileSystem disk;
};

TEST_F(LibrarySwitchTest, EveryScenarioGivesTheResultOfTheTwoPasses) {
  for (const Scenario& sc : kScenarios) {
    SCOPED_TRACE(sc.what);
    Attempt t(next());
    Scene& s = t.scene;
    const SwitchRequest request = s.request(sc.saveBack, sc.prev, sc.sel);
    const Snapshot before = snapshot(s.music);

    LibrarySwitch librarySwitch(disk, s.store());
    EXPECT_EQ(librarySwitch.run(request), LibrarySwitch::Outcome::Done);
    const Snapshot after = snapshot(s.music);
    EXPECT_TRUE(after == twoPasses(before, request)) << differences(after, twoPasses(before, request));
    EXPECT_EQ(s.storedName, sc.sel);

    // The cases that matter, spelled out.
    EXPECT_EQ(readText(s.iTunes / "Extra.mp3"), "Molvane/Lib B/Extra.mp3");
    EXPECT_EQ(readText(s.iTunes / kDatabase[3]), "iTunes/" + kDatabase[3]);
    EXPECT_FALSE(stdfs::exists(s.iTunes / "Unticked.txt"));
    EXPECT_FALSE(stdfs::exists(s.root / "Lib A" / "Extra.mp3"));
    if (sc.saveBack && std::string(sc.prev) == sc.sel) {
      // The library takes the iTunes folder's state, and the iTunes folder keeps it.
      EXPECT_EQ(readText(s.iTunes / kDatabase[0]), "iTunes/" + kDatabase[0]);
      EXPECT_EQ(readText(s.root / "Lib B" / kDatabase[0]), "iTunes/" + kDatabase[0]);
    } else {
      EXPECT_EQ(readText(s.iTunes / kDatabase[0]), "Molvane/Lib B/" + kDatabase[0]);
    }
    if (sc.saveBack && std::string(sc.prev) == "Lib A") {
      EXPECT_EQ(readText(s.root / "Lib A" / "Cover.jpg"), "iTunes/Cover.jpg");
      EXPECT_EQ(readText(s.root / "Lib A" / kDatabase[3]), "Molvane/Lib A/" + kDatabase[3]);
    } else {
      EXPECT_EQ(readText(s.root / "Lib A" / "Cover.jpg"), "Molvane/Lib A/Cover.jpg");
    }
  }
}

TEST_F(LibrarySwitchTest, ActivatingTheActiveLibraryWithSaveBackCopiesNothingIntoITunes) {
  Attempt t(next());
  LibrarySwitch librarySwitch(disk, t.scene.store());
  const SwitchRequest request = t.scene.request(true, "Lib B", "Lib B");
  std::vector<std::string> intoITunes;
  for (const LibrarySwitch::Copy& c : librarySwitch.plan(request))
    if (c.folder == toProgramPath(t.scene.iTunes)) intoITunes.push_back(c.name);
  // Only the file the iTunes folder lacks comes from the library.
  EXPECT_EQ(intoITunes, std::vector<std::string>{"Extra.mp3"});
}

// With nothing to copy (the library's folder does not exist), the switch still stores the name.
TEST_F(LibrarySwitchTest, NoLibraryFolderStoresTheNameOnly) {
  Attempt t(next());
  const Snapshot before = snapshot(t.scene.music);
  LibrarySwitch librarySwitch(disk, t.scene.store());
  EXPECT_EQ(librarySwitch.run(t.scene.request(false, "Lib 1", "Lib 1")),
            LibrarySwitch::Outcome::Done);
  EXPECT_EQ(t.scene.storedName, "Lib 1");
  EXPECT_TRUE(snapshot(t.scene.music) == before);

  // Saving back into a folder that does not exist is a failure like any missing target folder.
  t.scene.storedName = "Lib A";
  EXPECT_THROW(librarySwitch.run(t.scene.request(true, "Lib 1", "Lib 1")), SwitchFailure);
  EXPECT_EQ(t.scene.storedName, "Lib A");
  EXPECT_TRUE(snapshot(t.scene.music) == before);
}

TEST_F(LibrarySwitchTest, FailureMessageNamesFileFolderAndReason) {
  Attempt t(next());
  StepFaultFileSystem faulty(disk);
  faulty.failAt(1);
  LibrarySwitch librarySwitch(faulty, t.scene.store());
  try {
    librarySwitch.run(t.scene.request(true));
    FAIL() << "no failure";
  } catch (const SwitchFailure& e) {
    EXPECT_EQ(std::string(e.what()),
              "Could not copy \"iTunes Library.itl\" from \"" + toProgramPath(t.scene.iTunes) +
                  "\" to \"" + toProgramPath(t.scene.root / "Lib A") +
                  "\": injected failure. Nothing was changed");
  }
}

// A files layer that fails its k-th step, for every k over a whole switch. A failure before
// "Library Name" is stored leaves everything as it was; one after it (tidying up) leaves the
// switch made, and what it left behind goes at the next start.
TEST_F(LibrarySwitchTest, FailureAtAnyStepChangesNothing) {
  for (const Scenario& sc : kScenarios) {
    for (auto fault : {StepFaultFileSystem::Fault::Before, StepFaultFileSystem::Fault::After}) {
      int refused = 0;
      for (std::uint64_t k = 1;; ++k) {
        SCOPED_TRACE(std::string(sc.what) + ", step " + std::to_string(k) +
                     (fault == StepFaultFileSystem::Fault::After ? " (done, then failed)" : ""));
        ASSERT_LT(k, 200u);
        Attempt t(next());
        const SwitchRequest request = t.scene.request(sc.saveBack, sc.prev, sc.sel);
        const Snapshot before = snapshot(t.scene.music);
        StepFaultFileSystem faulty(disk);
        faulty.failAt(k, fault);
        LibrarySwitch librarySwitch(faulty, t.scene.store());
        try {
          librarySwitch.run(request);
        } catch (const SwitchFailure& e) {
          ++refused;
          const std::string message = e.what();
          EXPECT_NE(message.find(StepFaultFileSystem::kReason), std::string::npos) << message;
          EXPECT_NE(message.find("Nothing was changed"), std::string::npos) << message;
          const Snapshot after = snapshot(t.scene.music);
          EXPECT_TRUE(after == before) << differences(after, before);
          EXPECT_EQ(t.scene.storedName, "Lib A");
          continue;
        }
        if (!faulty.failed()) break;  // k is past the last step
        const Snapshot expected = twoPasses(before, request);
        const Snapshot after = snapshot(t.scene.music);
        EXPECT_TRUE(withoutTemporaries(after) == expected) << differences(after, expected);
        EXPECT_EQ(t.scene.storedName, sc.sel);
        LibrarySwitch(disk, t.scene.store()).recover(request.musicFolder);
        EXPECT_TRUE(snapshot(t.scene.music) == expected)
            << differences(snapshot(t.scene.music), expected);
      }
      EXPECT_GT(refused, 5) << sc.what;
    }
  }
}

// The process stops at the k-th step with no clean-up at all; start-up recovery then leaves
// every folder as it was before the switch or as the switch makes it, agreeing with the stored
// name, and no temporary.
TEST_F(LibrarySwitchTest, CrashAtAnyStepThenRecoveryGivesBeforeOrAfter) {
  for (const Scenario& sc : kScenarios) {
    int befores = 0, afters = 0;
    for (std::uint64_t k = 1;; ++k) {
      SCOPED_TRACE(std::string(sc.what) + ", crash at step " + std::to_string(k));
      ASSERT_LT(k, 200u);
      Attempt t(next());
      const SwitchRequest request = t.scene.request(sc.saveBack, sc.prev, sc.sel);
      const Snapshot before = snapshot(t.scene.music);
      StepFaultFileSystem crashing(disk);
      crashing.crashAt(k);
      try {
        LibrarySwitch(crashing, t.scene.store()).run(request);
      } catch (const SimulatedCrash&) {
      }
      if (!crashing.crashed()) break;
      const std::string nameAtCrash = t.scene.storedName;

      LibrarySwitch(disk, t.scene.store()).recover(request.musicFolder);
      const Snapshot after = snapshot(t.scene.music);
      const Snapshot switched = twoPasses(before, request);
      if (after == before && t.scene.storedName == "Lib A") {
        ++befores;
      } else if (after == switched && t.scene.storedName == sc.sel) {
        ++afters;
      } else {
        ADD_FAILURE() << "name \"" << t.scene.storedName << "\" (at the crash \"" << nameAtCrash
                      << "\"); against before:" << differences(after, before)
                      << "\nagainst after:" << differences(after, switched);
      }
    }
    EXPECT_GT(befores, 0) << sc.what;
    EXPECT_GT(afters, 0) << sc.what;
  }
}

// A failure, then a crash while the switch is being undone: recovery still ends in one of the
// two states.
TEST_F(LibrarySwitchTest, CrashWhileUndoingAFailureThenRecovery) {
  for (const Scenario& sc : {kScenarios[0], kScenarios[2]}) {
    for (std::uint64_t failure = 1;; ++failure) {
      ASSERT_LT(failure, 200u);
      bool failedAtAll = false;
      for (std::uint64_t crash = failure + 1;; ++crash) {
        SCOPED_TRACE(std::string(sc.what) + ", failure at " + std::to_string(failure) +
                     ", crash at " + std::to_string(crash));
        Attempt t(next());
        const SwitchRequest request = t.scene.request(sc.saveBack, sc.prev, sc.sel);
        const Snapshot before = snapshot(t.scene.music);
        StepFaultFileSystem faulty(disk);
        faulty.failAt(failure);
        faulty.crashAt(crash);
        try {
          LibrarySwitch(faulty, t.scene.store()).run(request);
        } catch (const SimulatedCrash&) {
        } catch (const SwitchFailure&) {
        }
        failedAtAll = faulty.failed();
        if (!faulty.crashed()) break;
        LibrarySwitch(disk, t.scene.store()).recover(request.musicFolder);
        const Snapshot after = snapshot(t.scene.music);
        const bool asBefore = after == before && t.scene.storedName == "Lib A";
        const bool asAfter = after == twoPasses(before, request) && t.scene.storedName == sc.sel;
        EXPECT_TRUE(asBefore || asAfter) << differences(after, before);
      }
      if (!failedAtAll) break;
    }
  }
}

TEST_F(LibrarySwitchTest, RegistryFailureChangesNothingAndShowsTheRegistrysMessage) {
  for (const Scenario& sc : kScenarios) {
    SCOPED_TRACE(sc.what);
    Attempt t(next());
    const Snapshot before = snapshot(t.scene.music);
    LibrarySwitch librarySwitch(disk, [](const std::string&) {
      throw ERegistryException("Failed to set data for 'Library Name'");
    });
    try {
      librarySwitch.run(t.scene.request(sc.saveBack, sc.prev, sc.sel));
      ADD_FAILURE() << "no failure";
    } catch (const ERegistryException& e) {
      EXPECT_STREQ(e.what(), "Failed to set data for 'Library Name'");
    }
    EXPECT_TRUE(snapshot(t.scene.music) == before) << differences(snapshot(t.scene.music), before);
  }
}

// Crash right after the journal is written: recovery must store the name before it drops the
// journal, and keeps the journal while the name cannot be stored.
TEST_F(LibrarySwitchTest, RecoveryKeepsTheJournalUntilTheNameIsStored) {
  std::uint64_t journalStep = 0;
  {
    Attempt t(next());
    StepFaultFileSystem counting(disk);
    LibrarySwitch(counting, t.scene.store()).run(t.scene.request(true));
    for (std::size_t i = 0; i < counting.log().size() && !journalStep; ++i)
      if (counting.log()[i].rfind("writeFile ", 0) == 0) journalStep = i + 1;
    ASSERT_GT(journalStep, 0u);
  }

  Attempt t(next());
  const std::string music = toProgramPath(t.scene.music);
  StepFaultFileSystem crashing(disk);
  crashing.crashAt(journalStep + 1);
  EXPECT_THROW(LibrarySwitch(crashing, t.scene.store()).run(t.scene.request(true)),
               SimulatedCrash);
  const std::string journal = LibrarySwitch::journalPath(music);
  ASSERT_TRUE(disk.exists(journal));

  LibrarySwitch failingStore(disk, [](const std::string&) {
    throw ERegistryException("Failed to set data for 'Library Name'");
  });
  EXPECT_THROW(failingStore.recover(music), ERegistryException);
  EXPECT_TRUE(disk.exists(journal));
  EXPECT_EQ(t.scene.storedName, "Lib A");

  // The same session may not start another switch on top of it.
  EXPECT_THROW(LibrarySwitch(disk, t.scene.store()).run(t.scene.request(false, "Lib B", "Lib C")),
               SwitchFailure);

  LibrarySwitch(disk, t.scene.store()).recover(music);
  EXPECT_EQ(t.scene.storedName, "Lib B");
  EXPECT_FALSE(disk.exists(journal));
  EXPECT_EQ(readText(t.scene.iTunes / kDatabase[0]), "Molvane/Lib B/" + kDatabase[0]);
  EXPECT_EQ(readText(t.scene.root / "Lib A" / kDatabase[0]), "iTunes/" + kDatabase[0]);
  const Snapshot after = snapshot(t.scene.music);
  EXPECT_TRUE(withoutTemporaries(after) == after);
}

TEST_F(LibrarySwitchTest, NamesWithAnyCharacterSurviveTheJournal) {
  Attempt t(next());
#if defined(_WIN32)
  const std::string odd = "Lib %09 50% ;=new";  // Windows names hold no control characters
#else
  const std::string odd = "Lib %09\t50% \r\nnew";
#endif
  stdfs::create_directories(t.scene.root / odd);
  t.scene.file(t.scene.root / odd / kDatabase[0], "odd library");
  SwitchRequest request = t.scene.request(false, "Lib A", odd);
  request.ticked = {kDatabase[0]};

  StepFaultFileSystem crashing(disk);
  crashing.crashAt(3);  // copy, journal, then the first rename
  EXPECT_THROW(LibrarySwitch(crashing, t.scene.store()).run(request), SimulatedCrash);
  LibrarySwitch(disk, t.scene.store()).recover(request.musicFolder);
  EXPECT_EQ(t.scene.storedName, odd);
  EXPECT_EQ(readText(t.scene.iTunes / kDatabase[0]), "odd library");
}

TEST_F(LibrarySwitchTest, ProgressCoversTheWholeSwitchAndCancelChangesNothing) {
  Attempt t(next());
  const SwitchRequest request = t.scene.request(true);
  std::uint64_t expectedTotal = 0;
  for (const LibrarySwitch::Copy& c : LibrarySwitch(disk, {}).plan(request))
    expectedTotal += disk.fileSize(c.source);
  ASSERT_GT(expectedTotal, 0u);

  std::vector<std::uint64_t> done;
  std::vector<std::string> names;
  ASSERT_EQ(LibrarySwitch(disk, t.scene.store())
                .run(request,
                     [&](std::uint64_t d, std::uint64_t total, const std::string& file) {
                       EXPECT_EQ(total, expectedTotal);
                       done.push_back(d);
                       names.push_back(file);
                       return true;
                     }),
            LibrarySwitch::Outcome::Done);
  ASSERT_FALSE(done.empty());
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  EXPECT_EQ(done.back(), expectedTotal);
  EXPECT_EQ(names.front(), kDatabase[0]);
  EXPECT_EQ(names.back(), "Extra.mp3");

  // Cancel at each report in turn.
  for (std::size_t stopAt = 0; stopAt < done.size(); ++stopAt) {
    SCOPED_TRACE("cancel at report " + std::to_string(stopAt));
    Attempt v(next());
    const Snapshot before = snapshot(v.scene.music);
    std::size_t reports = 0;
    EXPECT_EQ(LibrarySwitch(disk, v.scene.store())
                  .run(v.scene.request(true),
                       [&](std::uint64_t, std::uint64_t, const std::string&) {
                         return reports++ < stopAt;
                       }),
              LibrarySwitch::Outcome::Cancelled);
    EXPECT_TRUE(snapshot(v.scene.music) == before) << differences(snapshot(v.scene.music), before);
    EXPECT_EQ(v.scene.storedName, "Lib A");
  }
}

TEST_F(LibrarySwitchTest, RecoveryRemovesOnlyTheProgramsLeftovers) {
  Attempt t(next());
  Scene& s = t.scene;
  const Snapshot clean = snapshot(s.music);
  for (const stdfs::path& folder : {s.iTunes, s.root, s.root / "Lib A", s.root / "Lib C"}) {
    writeText(folder / ".molvane-copy-1234", "partial");
    writeText(folder / ".molvane-0123-4.new", "staged");
  }
  writeText(s.root / ".DS_Store", "user's own");
  writeText(s.root / "Lib B" / ".molvaneish", "user's own");
  stdfs::create_directories(s.root / "Lib B" / ".molvane-folder");
  stdfs::create_directories(s.root / "Lib B" / "deeper");
  writeText(s.root / "Lib B" / "deeper" / ".molvane-x", "not ours to look at");
  Snapshot expected = snapshot(s.music);
  std::erase_if(expected, [](const auto& e) {
    return isTemporary(e.first) && e.first.find("deeper") == std::string::npos &&
           e.first.back() != '/';
  });
  ASSERT_EQ(expected.size(), clean.size() + 5);

  LibrarySwitch(disk, s.store()).recover(toProgramPath(s.music));
  EXPECT_TRUE(snapshot(s.music) == expected) << differences(snapshot(s.music), expected);
  EXPECT_EQ(s.storedName, "Lib A");
}

TEST_F(LibrarySwitchTest, AJournalThatCannotBeUnderstoodIsLeftAlone) {
  Attempt t(next());
  const std::string journal = LibrarySwitch::journalPath(toProgramPath(t.scene.music));
  const char* bad[] = {
      "",
      "Molvane switch journal 1\nmode finish\nlibrary Lib B\n",  // no end
      "Molvane switch journal 1\nmode sideways\nlibrary Lib B\nend\n",
      "Molvane switch journal 1\nmode finish\nlibrary Lib B\ncopy a\tb\t../x\t.molvane-y\t1\nend\n",
      "Molvane switch journal 1\nmode finish\nlibrary Lib%zz\nend\n",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(disk.writeFile(journal, text));
    writeText(t.scene.iTunes / ".molvane-staged", "keep for now");
    const Snapshot before = snapshot(t.scene.music);
    EXPECT_THROW(LibrarySwitch(disk, t.scene.store()).recover(toProgramPath(t.scene.music)),
                 SwitchFailure);
    EXPECT_TRUE(snapshot(t.scene.music) == before);
    EXPECT_EQ(t.scene.storedName, "Lib A");
  }
}

// Real faults of the real file system: the user's files are intact and the message says what
// the system said.
TEST_F(LibrarySwitchTest, ReadOnlyTargetFolderRefusesTheSwitch) {
  for (const char* folder : {"iTunes", "Molvane/Lib A"}) {
    SCOPED_TRACE(folder);
    Attempt t(next());
    const Snapshot before = snapshot(t.scene.music);
    std::string message;
    {
      ReadOnlyFolder readOnly(t.scene.music / folder);
      if (!readOnly.active()) GTEST_SKIP() << "cannot make a folder read-only here";
      try {
        LibrarySwitch(disk, t.scene.store()).run(t.scene.request(true));
      } catch (const SwitchFailure& e) {
        message = e.what();
      }
    }
    EXPECT_NE(message.find("\"" + toProgramPath(t.scene.music / folder) + "\""),
              std::string::npos)
        << message;
    const bool systemReason = message.find(std::strerror(EROFS)) != std::string::npos ||
                              message.find(std::strerror(EACCES)) != std::string::npos;
    EXPECT_TRUE(systemReason) << message;
    EXPECT_NE(message.find("Nothing was changed"), std::string::npos);
    EXPECT_TRUE(snapshot(t.scene.music) == before) << differences(snapshot(t.scene.music), before);
    EXPECT_EQ(t.scene.storedName, "Lib A");
  }
}

TEST_F(LibrarySwitchTest, FullDiskRefusesTheSwitch) {
  TempDir own;
  Scene scene(own.path());
  stdfs::create_directories(scene.music);
  SmallFileSystem small(scene.music, 1024 * 1024);
  if (!small.mounted()) GTEST_SKIP() << "needs root to mount a small tmpfs";
  scene.populate();
  scene.file(scene.root / "Lib B" / "Extra.mp3", std::string(700 * 1024, 'x'));
  const Snapshot before = snapshot(scene.music);

  std::string message;
  try {
    LibrarySwitch(disk, scene.store()).run(scene.request(true));
  } catch (const SwitchFailure& e) {
    message = e.what();
  }
  EXPECT_NE(message.find("\"Extra.mp3\""), std::string::npos) << message;
  EXPECT_NE(message.find(std::strerror(ENOSPC)), std::string::npos) << message;
  EXPECT_TRUE(snapshot(scene.music) == before) << differences(snapshot(scene.music), before);
  EXPECT_EQ(scene.storedName, "Lib A");
}

}  // namespace
