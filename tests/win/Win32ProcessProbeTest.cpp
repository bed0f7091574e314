// Finding a running program by its image name in the system's process list.
#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "WinTestSupport.h"
#include "win32/Win32ProcessProbe.h"

namespace {

std::string ownPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

TEST(Win32ProcessProbe, FindsAProgramByItsImageNameInAnyCase) {
  TempDir dir;
  // A copy of this very program under the name looked for, started but held before it runs a
  // line of its own.
  const std::string copy = dir.programPath() + "\\iTunes.exe";
  ASSERT_TRUE(CopyFileA(ownPath().c_str(), copy.c_str(), TRUE));
  Win32ProcessProbe probe;
  ASSERT_FALSE(probe.isRunning("iTunes.exe"));

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + copy + "\"";
  ASSERT_TRUE(CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                             CREATE_SUSPENDED, nullptr, nullptr, &startup, &process));
  EXPECT_TRUE(probe.isRunning("iTunes.exe"));
  EXPECT_TRUE(probe.isRunning("ITUNES.EXE"));
  EXPECT_FALSE(probe.isRunning("iTunes"));
  EXPECT_FALSE(probe.isRunning("iTunes.exe.bak"));

  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 60000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_FALSE(probe.isRunning("iTunes.exe"));
}

}  // namespace
