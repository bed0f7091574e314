#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "TempDir.h"
#include "posix/XdgShellOpener.h"

namespace stdfs = std::filesystem;

namespace {

class XdgShellOpenerTest : public ::testing::Test {
protected:
  // An xdg-open that records its argument once the test lets it (the "go" file), so the test
  // can tell whether open() waited for it.
  void makeFakeXdgOpen(const stdfs::path& folder) {
    stdfs::create_directories(folder);
    const stdfs::path script = folder / "xdg-open";
    const std::string d = dir.path().string();
    writeText(script,
              "#!/bin/sh\n"
              "i=0\n"
              "while [ ! -e '" + d + "/go' ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\n"
              "if [ -e '" + d + "/go' ]; then w=after; else w=before; fi\n"
              "printf '%s %s\\n' \"$w\" \"$1\" >> '" + d + "/log'\n");
    stdfs::permissions(script, stdfs::perms::owner_all);
  }

  // Waits for the fake to have written `lines` lines; a bounded wait, not a measurement.
  std::string waitForLog(int lines) {
    for (int i = 0; i < 600; ++i) {
      if (stdfs::exists(dir.path() / "log")) {
        const std::string text = readText(dir.path() / "log");
        if (std::count(text.begin(), text.end(), '\n') >= lines) return text;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "(no record)";
  }

  TempDir dir;
};

TEST_F(XdgShellOpenerTest, FindsXdgOpenOnlyInAbsoluteSearchFolders) {
  const stdfs::path bin = dir.path() / "bin";
  makeFakeXdgOpen(bin);
  stdfs::create_directories(dir.path() / "plain");
  writeText(dir.path() / "plain" / "xdg-open", "not executable");
  stdfs::permissions(dir.path() / "plain" / "xdg-open", stdfs::perms::owner_read);
  stdfs::create_directories(dir.path() / "dir" / "xdg-open");

  const std::string none = (dir.path() / "plain").string() + ":" + (dir.path() / "dir").string();
  EXPECT_EQ(XdgShellOpener(none).program(), "");
  EXPECT_EQ(XdgShellOpener(none + "::" + bin.string()).program(), (bin / "xdg-open").string());
  EXPECT_EQ(XdgShellOpener("").program(), "");

  // A relative entry would depend on the current folder; it is passed over.
  const auto cwd = stdfs::current_path();
  stdfs::current_path(dir.path());
  EXPECT_EQ(XdgShellOpener("bin").program(), "");
  EXPECT_EQ(XdgShellOpener(":").program(), "");
  stdfs::current_path(cwd);
}

TEST_F(XdgShellOpenerTest, MapsFilePathsButNotWebAddresses) {
  EXPECT_EQ(XdgShellOpener::argumentFor("\\opt\\molvane\\Molvane Help.chm"),
            "/opt/molvane/Molvane Help.chm");
  EXPECT_EQ(XdgShellOpener::argumentFor("http://www.example.com/a\\b"),
            "http://www.example.com/a\\b");
}

TEST_F(XdgShellOpenerTest, StartsDetachedWithoutWaitingOrLeavingAChild) {
  const stdfs::path bin = dir.path() / "bin";
  makeFakeXdgOpen(bin);
  XdgShellOpener shell("/nonexistent:" + bin.string());

  shell.open(0, "print", "\\ignored.txt", "", "", 5);
  shell.open(0, "open", "\\opt\\Molvane Help.chm", "", "", 3);
  // open() has returned while the fake still waits for this file: it did not wait.
  writeText(dir.path() / "go", "");
  EXPECT_EQ(waitForLog(1), "after /opt/Molvane Help.chm\n");

  // The middle process was reaped and xdg-open is not our child: nothing is left to wait for.
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);

  shell.open(0, "", "https://www.example.com/", "", "", 5);
  EXPECT_EQ(waitForLog(2), "after /opt/Molvane Help.chm\nafter https://www.example.com/\n");
}

TEST_F(XdgShellOpenerTest, NothingHappensWithoutXdgOpen) {
  XdgShellOpener shell((dir.path() / "empty").string());
  shell.open(0, "open", "\\x.chm", "", "", 3);
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
