// The files layer against the real Win32 calls: what only Windows has (attributes, sharing
// modes, FILETIME) and the copy's promise never to leave a torn or half-replaced target.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "TempDir.h"
#include "WinTestSupport.h"
#include "win32/Win32FileSystem.h"

namespace {

// A handle that another program holds on a file, released at the end of the test.
struct Held {
  explicit Held(const std::string& path) : handle(holdExclusively(path)) {}
  ~Held() { CloseHandle(handle); }
  HANDLE handle;
};

class Win32FileSystemTest : public ::testing::Test {
public:
  std::string at(const std::string& name) const { return dir.programPath() + "\\" + name; }
  void put(const std::string& name, const std::string& text) { writeText(dir.path() / name, text); }
  std::string content(const std::string& name) const { return readText(dir.path() / name); }
  std::vector<std::string> names() const { return namesIn(dir.programPath()); }

protected:
  TempDir dir;
  Win32FileSystem files;
};

// Compares file contents without printing megabytes when they differ.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << actual.size() << " bytes where " << expected.size()
                                       << " were expected, first difference at byte " << at;
}

std::string pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

TEST_F(Win32FileSystemTest, ListsEveryEntryHiddenAndSystemOnesToo) {
  put("plain.txt", "p");
  put("hidden.dat", "h");
  put("system.dat", "s");
  put("readonly.txt", "r");
  ASSERT_TRUE(SetFileAttributesA(at("hidden.dat").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA(at("system.dat").c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetFileAttributesA(at("readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateDirectoryA(at("folder").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(at("hidden folder").c_str(), nullptr));
  ASSERT_TRUE(SetFileAttributesA(at("hidden folder").c_str(), FILE_ATTRIBUTE_HIDDEN));

  std::set<std::string> seen, folders;
  for (const fs::DirEntry& e : files.findEntries(at("*.*"))) {
    EXPECT_TRUE(seen.insert(e.name).second) << "listed twice: " << e.name;
    if (e.isDirectory) folders.insert(e.name);
  }
  EXPECT_EQ(seen, (std::set<std::string>{".", "..", "plain.txt", "hidden.dat", "system.dat",
                                         "readonly.txt", "folder", "hidden folder"}));
  EXPECT_EQ(folders, (std::set<std::string>{".", "..", "folder", "hidden folder"}));
}

TEST_F(Win32FileSystemTest, ListingAMissingFolderOrAFileYieldsNothing) {
  put("file.txt", "x");
  EXPECT_TRUE(files.findEntries(at("missing\\*.*")).empty());
  EXPECT_TRUE(files.findEntries(at("file.txt\\*.*")).empty());
}

TEST_F(Win32FileSystemTest, TellsFilesFoldersAndMissingPathsApart) {
  put("file.txt", "x");
  ASSERT_TRUE(CreateDirectoryA(at("folder").c_str(), nullptr));
  EXPECT_EQ(files.kindOf(at("file.txt")), fs::EntryKind::File);
  EXPECT_EQ(files.kindOf(at("folder")), fs::EntryKind::Directory);
  EXPECT_EQ(files.kindOf(at("missing")), fs::EntryKind::Missing);
  EXPECT_EQ(files.kindOf(at("missing\\file.txt")), fs::EntryKind::Missing);
}

TEST_F(Win32FileSystemTest, CreatesAndRemovesOneFolderLevel) {
  ASSERT_TRUE(files.createDirectory(at("new")).ok());
  EXPECT_TRUE(files.isDirectory(at("new")));
  EXPECT_EQ(files.createDirectory(at("new")).error, fs::Error::Exists);
  EXPECT_EQ(files.createDirectory(at("missing\\new")).error, fs::Error::NotFound);
  EXPECT_FALSE(files.exists(at("missing")));

  put("new\\inside.txt", "x");
  EXPECT_FALSE(files.removeDirectory(at("new")).ok());
  EXPECT_TRUE(files.isDirectory(at("new")));
  ASSERT_TRUE(files.removeFile(at("new\\inside.txt")).ok());
  EXPECT_TRUE(files.removeDirectory(at("new")).ok());
  EXPECT_FALSE(files.exists(at("new")));
}

TEST_F(Win32FileSystemTest, CopyReplacesTheTargetWithDataAndModificationTime) {
  // Larger than one copy chunk, with zero bytes in it.
  const std::string data = pattern(700 * 1024 + 13);
  put("source.bin", data);
  put("target.bin", "old target");
  const std::uint64_t long_ago = 125911584000000000ull;  // 2000-01-01
  setWriteTime(at("source.bin"), long_ago);

  std::uint64_t reported = 0;
  const fs::Result r = files.copyFile(at("source.bin"), at("target.bin"), [&](std::uint64_t done) {
    EXPECT_GT(done, reported);
    reported = done;
    return true;
  });
  ASSERT_TRUE(r.ok()) << r.reason;
  EXPECT_TRUE(sameBytes(content("target.bin"), data));
  EXPECT_EQ(writeTime(at("target.bin")), long_ago);
  EXPECT_EQ(reported, data.size());
  EXPECT_TRUE(sameBytes(content("source.bin"), data));
  EXPECT_EQ(names(), (std::vector<std::string>{"source.bin", "target.bin"}));
}

TEST_F(Win32FileSystemTest, CopyCreatesAMissingTargetAndCopiesAnEmptyFile) {
  put("empty", "");
  ASSERT_TRUE(files.copyFile(at("empty"), at("copy")).ok());
  EXPECT_EQ(content("copy"), "");
  EXPECT_EQ(names(), (std::vector<std::string>{"copy", "empty"}));
}

// Every way a copy can fail leaves the target as it was and no temporary behind.
struct CopyFailure {
  const char* what;
  // Arranges the failure; answers the handle another program holds, if any.
  std::function<std::unique_ptr<Held>(Win32FileSystemTest&)> arrange;
  const char* source;
  const char* target;
  fs::Error expected;
};

class Win32CopyFailureTest : public Win32FileSystemTest,
                             public ::testing::WithParamInterface<int> {};

const CopyFailure kCopyFailures[] = {
    {"missing source", [](auto&) { return nullptr; }, "missing.bin", "target.bin",
     fs::Error::NotFound},
    {"folder as source",
     [](Win32FileSystemTest& t) {
       CreateDirectoryA(t.at("folder").c_str(), nullptr);
       return nullptr;
     },
     "folder", "target.bin", fs::Error::IsDirectory},
    {"target folder missing", [](auto&) { return nullptr; }, "source.bin", "missing\\target.bin",
     fs::Error::NotFound},
    {"read-only target",
     [](Win32FileSystemTest& t) {
       SetFileAttributesA(t.at("target.bin").c_str(), FILE_ATTRIBUTE_READONLY);
       return nullptr;
     },
     "source.bin", "target.bin", fs::Error::AccessDenied},
    {"target held open without sharing",
     [](Win32FileSystemTest& t) { return std::make_unique<Held>(t.at("target.bin")); },
     "source.bin", "target.bin", fs::Error::AccessDenied},
    {"source held open without sharing",
     [](Win32FileSystemTest& t) { return std::make_unique<Held>(t.at("source.bin")); },
     "source.bin", "target.bin", fs::Error::AccessDenied},
};

TEST_P(Win32CopyFailureTest, LeavesTheTargetAndNoTemporary) {
  const CopyFailure& c = kCopyFailures[GetParam()];
  SCOPED_TRACE(c.what);
  put("source.bin", pattern(300 * 1024));
  put("target.bin", "the target as it was");
  std::unique_ptr<Held> held = c.arrange(*this);
  const std::vector<std::string> before = names();

  const fs::Result r = files.copyFile(at(c.source), at(c.target));
  held.reset();

  EXPECT_EQ(r.error, c.expected) << r.reason;
  EXPECT_FALSE(r.reason.empty());
  EXPECT_TRUE(sameBytes(content("target.bin"), "the target as it was"));
  EXPECT_EQ(names(), before);
  SetFileAttributesA(at("target.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(EveryCause, Win32CopyFailureTest,
                         ::testing::Range(0, static_cast<int>(std::size(kCopyFailures))));

TEST_F(Win32FileSystemTest, ACancelledCopyLeavesTheTargetAndNoTemporary) {
  put("source.bin", pattern(600 * 1024));
  put("target.bin", "kept");
  const fs::Result r =
      files.copyFile(at("source.bin"), at("target.bin"), [](std::uint64_t) { return false; });
  EXPECT_EQ(r.error, fs::Error::Cancelled);
  EXPECT_EQ(content("target.bin"), "kept");
  EXPECT_EQ(names(), (std::vector<std::string>{"source.bin", "target.bin"}));
}

TEST_F(Win32FileSystemTest, CopyToNewNeverReplacesAnExistingFile) {
  put("source.bin", "new data");
  put("taken.bin", "already here");
  const std::uint64_t long_ago = 125911584000000000ull;
  setWriteTime(at("source.bin"), long_ago);

  EXPECT_EQ(files.copyToNew(at("source.bin"), at("taken.bin")).error, fs::Error::Exists);
  EXPECT_EQ(content("taken.bin"), "already here");

  ASSERT_TRUE(files.copyToNew(at("source.bin"), at("fresh.bin")).ok());
  EXPECT_EQ(content("fresh.bin"), "new data");
  EXPECT_EQ(writeTime(at("fresh.bin")), long_ago);
}

TEST_F(Win32FileSystemTest, RenameReplacesUnlessTheTargetIsHeld) {
  put("from", "new");
  put("to", "old");
  {
    Held other(at("to"));
    EXPECT_EQ(files.renameReplace(at("from"), at("to")).error, fs::Error::AccessDenied);
  }
  EXPECT_EQ(content("to"), "old");
  EXPECT_EQ(content("from"), "new");
  ASSERT_TRUE(files.renameReplace(at("from"), at("to")).ok());
  EXPECT_EQ(content("to"), "new");
  EXPECT_EQ(names(), (std::vector<std::string>{"to"}));
}

TEST_F(Win32FileSystemTest, WritesAndReadsWholeFiles) {
  const std::string data = pattern(400 * 1024);
  ASSERT_TRUE(files.writeFile(at("whole.bin"), data).ok());
  std::string back;
  ASSERT_TRUE(files.readFile(at("whole.bin"), back).ok());
  EXPECT_TRUE(sameBytes(back, data));
  EXPECT_EQ(files.fileSize(at("whole.bin")), data.size());

  {
    Held other(at("whole.bin"));
    EXPECT_EQ(files.writeFile(at("whole.bin"), "replacement").error, fs::Error::AccessDenied);
  }
  EXPECT_TRUE(sameBytes(content("whole.bin"), data));
  EXPECT_EQ(names(), (std::vector<std::string>{"whole.bin"}));
}

TEST_F(Win32FileSystemTest, ReadingWhatIsNoFileFails) {
  ASSERT_TRUE(CreateDirectoryA(at("folder").c_str(), nullptr));
  std::string data = "unchanged";
  EXPECT_EQ(files.readFile(at("missing"), data).error, fs::Error::NotFound);
  EXPECT_EQ(files.readFile(at("folder"), data).error, fs::Error::IsDirectory);
  EXPECT_EQ(data, "unchanged");
  EXPECT_EQ(files.fileSize(at("missing")), 0u);
  EXPECT_EQ(files.fileSize(at("folder")), 0u);
}

TEST_F(Win32FileSystemTest, FailuresCarryTheSystemsOwnWords) {
  const fs::Result r = files.copyFile(at("missing.bin"), at("target.bin"));
  ASSERT_EQ(r.error, fs::Error::NotFound);
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_FILE_NOT_FOUND, 0, text, sizeof text, nullptr);
  ASSERT_GT(std::strlen(text), 4u) << "the system has no text for a missing file";
  // The system's message without its line break and full stop, and no path: the caller names
  // the file in its own message.
  EXPECT_EQ(std::string(text).rfind(r.reason, 0), 0u) << r.reason << " / " << text;
  EXPECT_GE(r.reason.size() + 3, std::strlen(text)) << r.reason << " / " << text;
  EXPECT_EQ(r.reason.find("missing.bin"), std::string::npos) << r.reason;
  EXPECT_NE(r.reason.back(), '.');
  EXPECT_NE(r.reason.back(), '\n');
}

}  // namespace
