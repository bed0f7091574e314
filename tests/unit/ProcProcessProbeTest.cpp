#include <gtest/gtest.h>

// The process table under /proc is Linux's; Windows has its own probe with its own tests.
#if !defined(_WIN32)

#include "TempDir.h"
#include "posix/ProcProcessProbe.h"

namespace {

// A made-up process table: one folder per process with its name and command line.
void process(const TempDir& proc, const std::string& pid, const std::string& comm,
             const std::string& cmdline) {
  std::filesystem::create_directories(proc.path() / pid);
  writeText(proc.path() / pid / "comm", comm + "\n");
  writeText(proc.path() / pid / "cmdline", cmdline);
}

}  // namespace

TEST(ProcProcessProbe, FindsAProgramByNameOrByTheProgramItsCommandStarts) {
  struct Case {
    const char* comm;
    std::string cmdline;
    bool found;
  };
  const Case cases[] = {
      {"iTunes.exe", std::string("C:\\Program Files\\iTunes\\iTunes.exe\0", 36), true},
      {"wine64-preload", std::string("C:\\Program Files\\iTunes\\ITUNES.EXE\0/silent\0", 43), true},
      {"wine", std::string("wine\0/opt/iTunes/iTunes.exe\0", 28), true},
      {"bash", std::string("bash\0-c\0iTunes.exe\0", 19), false},  // only an argument
      {"itunes.exe", std::string(""), true},                          // name, any case
      {"iTunesHelper.exe", std::string("iTunesHelper.exe\0", 17), false},
  };
  for (const Case& c : cases) {
    TempDir proc;
    process(proc, "1", "systemd", std::string("/sbin/init\0", 11));
    process(proc, "4242", c.comm, c.cmdline);
    std::filesystem::create_directories(proc.path() / "self");  // not a process number
    EXPECT_EQ(ProcProcessProbe(proc.path().string()).isRunning("iTunes.exe"), c.found) << c.comm;
  }
}

TEST(ProcProcessProbe, AMissingProcessTableFindsNothing) {
  EXPECT_FALSE(ProcProcessProbe("/nonexistent/proc").isRunning("iTunes.exe"));
  EXPECT_FALSE(ProcProcessProbe().isRunning("iTunes.exe"));  // nothing of the kind runs here
}

#endif
