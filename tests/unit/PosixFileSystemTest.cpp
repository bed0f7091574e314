#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "RealFaults.h"
#include "TempDir.h"
#include "posix/PosixFileSystem.h"

namespace stdfs = std::filesystem;

namespace {

class PosixFileSystemTest : public ::testing::Test {
protected:
  // The program's form of a path below the temporary folder.
  std::string p(const std::string& relative) const {
    return dir.programPath() + "\\" + relative;
  }
  stdfs::path real(const std::string& relative) const { return dir.path() / relative; }

  // Names in a folder that the program made as temporaries.
  std::vector<std::string> temporariesIn(const std::string& relative) const {
    std::vector<std::string> names;
    for (const auto& entry : stdfs::directory_iterator(real(relative)))
      if (entry.path().filename().string().rfind(fs::kTemporaryPrefix, 0) == 0)
        names.push_back(entry.path().filename().string());
    return names;
  }

  void setOldTime(const std::string& relative) {
    stdfs::last_write_time(real(relative), oldTime);
  }

  TempDir dir;
  PosixFileSystem files;
  const stdfs::file_time_type oldTime =
      stdfs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
};

TEST_F(PosixFileSystemTest, MapsSeparators) {
  EXPECT_EQ(PosixFileSystem::nativePath("\\home\\a b\\c.txt"), "/home/a b/c.txt");
  EXPECT_EQ(PosixFileSystem::nativePath("x\\\\y"), "x//y");
}

TEST_F(PosixFileSystemTest, CopyFileReplacesTargetWithDataAndTime) {
  stdfs::create_directory(real("to"));
  writeText(real("src.itl"), "new library data");
  setOldTime("src.itl");
  writeText(real("to/src.itl"), "old data that is longer than the new");

  const fs::Result r = files.copyFile(p("src.itl"), p("to\\src.itl"));
  ASSERT_TRUE(r.ok()) << r.reason;
  EXPECT_EQ(readText(real("to/src.itl")), "new library data");
  EXPECT_EQ(stdfs::last_write_time(real("to/src.itl")), oldTime);
  EXPECT_EQ(readText(real("src.itl")), "new library data");
  EXPECT_TRUE(temporariesIn("to").empty());
}

TEST_F(PosixFileSystemTest, CopyFileToNewTargetAndEmptyFile) {
  writeText(real("empty.txt"), "");
  ASSERT_TRUE(files.copyFile(p("empty.txt"), p("copy.txt")).ok());
  EXPECT_TRUE(stdfs::exists(real("copy.txt")));
  EXPECT_EQ(stdfs::file_size(real("copy.txt")), 0u);
}

// Sources that CopyFileA refuses, and targets it cannot reach: the target stays as it was and
// no temporary is left, whatever the reason.
TEST_F(PosixFileSystemTest, CopyFileFailuresLeaveTargetAsItWas) {
  stdfs::create_directory(real("to"));
  stdfs::create_directory(real("folder.itl"));
  writeText(real("good.itl"), "good");
  struct Case {
    const char* source;
    const char* target;
    fs::Error error;
  } cases[] = {
      {"missing.itl", "to\\t.itl", fs::Error::NotFound},
      {"folder.itl", "to\\t.itl", fs::Error::IsDirectory},
      {"good.itl", "nowhere\\t.itl", fs::Error::NotFound},
      {"good.itl", "to", fs::Error::IsDirectory},  // a folder where the file would go
  };
  for (const Case& c : cases) {
    writeText(real("to/t.itl"), "keep me");
    const fs::Result r = files.copyFile(p(c.source), p(c.target));
    EXPECT_EQ(r.error, c.error) << c.source << " -> " << c.target;
    EXPECT_FALSE(r.reason.empty());
    EXPECT_EQ(readText(real("to/t.itl")), "keep me");
    EXPECT_TRUE(temporariesIn("to").empty());
    EXPECT_TRUE(temporariesIn("").empty());
  }
  EXPECT_EQ(files.copyFile(p("missing.itl"), p("to\\t.itl")).reason,
            std::strerror(ENOENT));
}

TEST_F(PosixFileSystemTest, ReadOnlyTargetFolderRefusesCopiesAndKeepsTheFile) {
  stdfs::create_directory(real("ro"));
  writeText(real("ro/t.itl"), "keep me");
  writeText(real("src.itl"), "new");
  ReadOnlyFolder readOnly(real("ro"));
  if (!readOnly.active()) GTEST_SKIP() << "cannot make a folder read-only here";

  EXPECT_EQ(files.copyFile(p("src.itl"), p("ro\\t.itl")).error, fs::Error::AccessDenied);
  EXPECT_EQ(files.copyToNew(p("src.itl"), p("ro\\n.itl")).error, fs::Error::AccessDenied);
  EXPECT_EQ(files.writeFile(p("ro\\w.txt"), "x").error, fs::Error::AccessDenied);
  EXPECT_EQ(readText(real("ro/t.itl")), "keep me");
  EXPECT_EQ(std::distance(stdfs::directory_iterator(real("ro")), stdfs::directory_iterator()), 1);
}

TEST_F(PosixFileSystemTest, FullDiskLeavesTargetAsItWas) {
  stdfs::create_directory(real("small"));
  SmallFileSystem small(real("small"), 256 * 1024);
  if (!small.mounted()) GTEST_SKIP() << "needs root to mount a small tmpfs";
  writeText(real("small/t.itl"), "keep me");
  writeText(real("big.itl"), std::string(512 * 1024, 'b'));

  const fs::Result r = files.copyFile(p("big.itl"), p("small\\t.itl"));
  EXPECT_EQ(r.error, fs::Error::NoSpace) << r.reason;
  EXPECT_EQ(r.reason, std::strerror(ENOSPC));
  EXPECT_EQ(readText(real("small/t.itl")), "keep me");
  EXPECT_TRUE(temporariesIn("small").empty());

  EXPECT_EQ(files.copyToNew(p("big.itl"), p("small\\new.itl")).error, fs::Error::NoSpace);
  EXPECT_FALSE(stdfs::exists(real("small/new.itl")));

  fillUp(real("small/filler"));
  EXPECT_EQ(files.writeFile(p("small\\t.itl"), std::string(8192, 'w')).error,
            fs::Error::NoSpace);
  EXPECT_EQ(readText(real("small/t.itl")), "keep me");
  EXPECT_TRUE(temporariesIn("small").empty());
}

// A file large enough for several progress chunks: the reports grow to the size, and a cancel
// leaves the target untouched.
TEST_F(PosixFileSystemTest, ProgressIsReportedInChunksAndCanCancel) {
  const std::uint64_t size = 2 * PosixFileSystem::kProgressChunk + 12345;
  {
    std::string block(1 << 20, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7);
    std::ofstream out(real("big.bin"), std::ios::binary);
    for (std::uint64_t written = 0; written < size;) {
      const auto n = std::min<std::uint64_t>(block.size(), size - written);
      out.write(block.data(), static_cast<std::streamsize>(n));
      written += n;
    }
  }
  std::vector<std::uint64_t> reports;
  ASSERT_TRUE(files.copyFile(p("big.bin"), p("copy.bin"), [&](std::uint64_t done) {
    reports.push_back(done);
    return true;
  }));
  ASSERT_GE(reports.size(), 1u);
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
  EXPECT_EQ(reports.back(), size);
  EXPECT_EQ(readText(real("copy.bin")), readText(real("big.bin")));

  writeText(real("target.bin"), "keep me");
  int calls = 0;
  const fs::Result r = files.copyFile(p("big.bin"), p("target.bin"), [&](std::uint64_t) {
    ++calls;
    return false;
  });
  EXPECT_EQ(r.error, fs::Error::Cancelled);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(readText(real("target.bin")), "keep me");
  EXPECT_TRUE(temporariesIn("").empty());

  EXPECT_EQ(files.copyToNew(p("big.bin"), p("new.bin"), [](std::uint64_t) { return false; }).error,
            fs::Error::Cancelled);
  EXPECT_FALSE(stdfs::exists(real("new.bin")));
}

// Pages of a file that are in the page cache now; -1 when that cannot be told.
long cachedPages(const stdfs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  long count = -1;
  if (::fstat(fd, &st) == 0 && st.st_size > 0) {
    const auto size = static_cast<std::size_t>(st.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (map != MAP_FAILED) {
      const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
      std::vector<unsigned char> resident((size + page - 1) / page);
      if (::mincore(map, size, resident.data()) == 0)
        count = std::count_if(resident.begin(), resident.end(),
                              [](unsigned char r) { return (r & 1) != 0; });
      ::munmap(map, size);
    }
  } else if (st.st_size == 0) {
    count = 0;
  }
  ::close(fd);
  return count;
}

// A large copy is written out behind itself: while it runs, only about two chunks of the new
// file stay in memory, and once it is flushed none of it does, so a switch of a large library
// neither fills the memory with its copies nor pushes the user's other files out of it.
TEST_F(PosixFileSystemTest, LargeCopiesKeepABoundedPartOfTheNewFileInMemory) {
  struct statfs where {};
  ASSERT_EQ(::statfs(dir.path().c_str(), &where), 0);
  if (where.f_type == 0x01021994 /* tmpfs */ || where.f_type == 0x858458f6 /* ramfs */)
    GTEST_SKIP() << "the page cache is the storage of this file system";

  const std::uint64_t chunk = PosixFileSystem::kProgressChunk;
  const std::uint64_t size = 4 * chunk + 4097;
  {
    std::string block(1 << 20, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 13 + 5);
    std::ofstream out(real("big.itl"), std::ios::binary);
    for (std::uint64_t written = 0; written < size;) {
      const auto n = std::min<std::uint64_t>(block.size(), size - written);
      out.write(block.data(), static_cast<std::streamsize>(n));
      written += n;
    }
  }
  const long page = ::sysconf(_SC_PAGESIZE);
  const long bound = static_cast<long>(2 * chunk + (1 << 20)) / page;

  long most = 0;
  const fs::Result r = files.copyToNew(p("big.itl"), p("new.itl"), [&](std::uint64_t) {
    most = std::max(most, cachedPages(real("new.itl")));
    return true;
  });
  ASSERT_TRUE(r.ok()) << r.reason;
  EXPECT_LE(most, bound);
  EXPECT_EQ(cachedPages(real("new.itl")), 0);

  writeText(real("old.itl"), "old");
  ASSERT_TRUE(files.copyFile(p("big.itl"), p("old.itl")).ok());
  EXPECT_EQ(cachedPages(real("old.itl")), 0);

  const std::string original = readText(real("big.itl"));
  EXPECT_TRUE(readText(real("new.itl")) == original);
  EXPECT_TRUE(readText(real("old.itl")) == original);
}

TEST_F(PosixFileSystemTest, CopyToNewNeverReplaces) {
  writeText(real("src.itl"), "new");
  setOldTime("src.itl");
  writeText(real("there.itl"), "keep me");
  EXPECT_EQ(files.copyToNew(p("src.itl"), p("there.itl")).error, fs::Error::Exists);
  EXPECT_EQ(readText(real("there.itl")), "keep me");

  ASSERT_TRUE(files.copyToNew(p("src.itl"), p(".molvane-x")).ok());
  EXPECT_EQ(readText(real(".molvane-x")), "new");
  EXPECT_EQ(stdfs::last_write_time(real(".molvane-x")), oldTime);

  stdfs::create_directory(real("folder"));
  EXPECT_EQ(files.copyToNew(p("folder"), p("n")).error, fs::Error::IsDirectory);
  EXPECT_EQ(files.copyToNew(p("missing"), p("n")).error, fs::Error::NotFound);
  EXPECT_FALSE(stdfs::exists(real("n")));
}

// Both renames replace alike; the unflushed one leaves the folder's flush to flushFolder.
TEST_F(PosixFileSystemTest, RenameReplaceAndRemove) {
  using Rename = fs::Result (PosixFileSystem::*)(const std::string&, const std::string&);
  const Rename renames[] = {&PosixFileSystem::renameReplace,
                           &PosixFileSystem::renameReplaceUnflushed};
  for (Rename rename : renames) {
    stdfs::remove_all(real("d"));
    writeText(real("a"), "A");
    writeText(real("b"), "B");
    ASSERT_TRUE((files.*rename)(p("a"), p("b")).ok());
    EXPECT_FALSE(stdfs::exists(real("a")));
    EXPECT_EQ(readText(real("b")), "A");
    EXPECT_EQ((files.*rename)(p("a"), p("b")).error, fs::Error::NotFound);
    EXPECT_EQ(readText(real("b")), "A");

    stdfs::create_directory(real("d"));
    writeText(real("d/inside"), "x");
    EXPECT_EQ((files.*rename)(p("b"), p("d")).error, fs::Error::IsDirectory);

    ASSERT_TRUE(files.removeFile(p("b")).ok());
    EXPECT_FALSE(stdfs::exists(real("b")));
    EXPECT_EQ(files.removeFile(p("b")).error, fs::Error::NotFound);
  }
  EXPECT_TRUE(files.flushFolder(p("d")).ok());
  EXPECT_EQ(files.flushFolder(p("missing")).error, fs::Error::NotFound);
}

TEST_F(PosixFileSystemTest, WriteAndReadFilesWhole) {
  const std::string data = std::string("line\n\0binary", 12) + std::string(100000, 'z');
  ASSERT_TRUE(files.writeFile(p("w.txt"), "first").ok());
  ASSERT_TRUE(files.writeFile(p("w.txt"), data).ok());
  std::string back = "stale";
  ASSERT_TRUE(files.readFile(p("w.txt"), back).ok());
  EXPECT_EQ(back, data);
  EXPECT_TRUE(temporariesIn("").empty());

  back = "stale";
  EXPECT_EQ(files.readFile(p("none.txt"), back).error, fs::Error::NotFound);
  EXPECT_EQ(back, "stale");
  EXPECT_EQ(files.writeFile(p("none\\w.txt"), "x").error, fs::Error::NotFound);
}

TEST_F(PosixFileSystemTest, FoldersKindsAndSizes) {
  ASSERT_TRUE(files.createDirectory(p("lib")).ok());
  EXPECT_EQ(files.createDirectory(p("lib")).error, fs::Error::Exists);
  EXPECT_EQ(files.createDirectory(p("x\\y")).error, fs::Error::NotFound);
  writeText(real("lib/f.itl"), "12345");

  EXPECT_EQ(files.kindOf(p("lib")), fs::EntryKind::Directory);
  EXPECT_EQ(files.kindOf(p("lib\\f.itl")), fs::EntryKind::File);
  EXPECT_EQ(files.kindOf(p("lib\\g.itl")), fs::EntryKind::Missing);
  EXPECT_EQ(files.kindOf(p("lib\\f.itl\\below")), fs::EntryKind::Missing);
  EXPECT_TRUE(files.isDirectory(p("lib")));
  EXPECT_EQ(files.fileSize(p("lib\\f.itl")), 5u);
  EXPECT_EQ(files.fileSize(p("lib\\g.itl")), 0u);
  EXPECT_EQ(files.fileSize(p("lib")), 0u);

  EXPECT_FALSE(files.removeDirectory(p("lib")).ok());  // not empty
  stdfs::remove(real("lib/f.itl"));
  ASSERT_TRUE(files.removeDirectory(p("lib")).ok());
  EXPECT_FALSE(stdfs::exists(real("lib")));
}

// Every entry as the system returns it, hidden ones and "." and ".." included, in its order.
TEST_F(PosixFileSystemTest, FindEntriesListsEverythingInSystemOrder) {
  stdfs::create_directory(real("lib"));
  for (const char* name : {"b.itl", ".hidden", "a.xml", "zz", ".molvane-t"})
    writeText(real(std::string("lib/") + name), name);
  stdfs::create_directory(real("lib/sub.d"));
  stdfs::create_directory_symlink(real("lib/sub.d"), real("lib/link"));

  std::vector<std::pair<std::string, bool>> expected;
  DIR* d = ::opendir(real("lib").c_str());
  ASSERT_NE(d, nullptr);
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    expected.emplace_back(name, stdfs::is_directory(real("lib") / name));
  }
  ::closedir(d);

  std::vector<std::pair<std::string, bool>> got;
  for (const fs::DirEntry& e : files.findEntries(p("lib\\*.*")))
    got.emplace_back(e.name, e.isDirectory);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(got.size(), 9u);
  EXPECT_NE(std::find(got.begin(), got.end(), std::make_pair(std::string("link"), true)),
            got.end());

  EXPECT_TRUE(files.findEntries(p("missing\\*.*")).empty());
}

}  // namespace
