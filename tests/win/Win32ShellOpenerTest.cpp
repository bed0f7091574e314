// The shell's "open" through ShellExecuteA: what the program passes reaches the started program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "WinTestSupport.h"
#include "win32/Win32ShellOpener.h"

namespace {

// The shell starts the program and does not wait for it, so wait for the line it writes (at
// most a minute: a slow Wine start-up, not a measure of anything).
std::string awaitLine(const std::filesystem::path& file) {
  std::string text;
  for (int i = 0; i < 600; ++i) {
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) {
      try {
        text = readText(file);
      } catch (const std::exception&) {
        text.clear();  // still open in the writer
      }
      if (text.find('\n') != std::string::npos) return text;
    }
    Sleep(100);
  }
  return text.empty() ? std::string("<never written>") : text;
}

std::string firstLine(std::string text) {
  const auto end = text.find_first_of("\r\n");
  if (end != std::string::npos) text.erase(end);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

TEST(Win32ShellOpener, PassesTheParametersAndTheFolderToTheOpenedProgram) {
  TempDir dir;
  Win32ShellOpener shell;
  shell.open(0, "open", "cmd.exe", "/c echo opened %CD%> marker.txt", dir.programPath(),
             SW_HIDE);
  // The marker lands in the folder given, which was the program's current folder.
  EXPECT_EQ(firstLine(awaitLine(dir.path() / "marker.txt")), "opened " + dir.programPath());
}

TEST(Win32ShellOpener, OpensADocumentByItsTypeWithoutParametersOrFolder) {
  TempDir dir;
  writeText(dir.path() / "document.bat", "@echo off\r\necho document opened> \"%~dp0ran.txt\"\r\n");
  Win32ShellOpener shell;
  shell.open(0, "open", dir.programPath() + "\\document.bat", "", "", SW_HIDE);
  EXPECT_EQ(firstLine(awaitLine(dir.path() / "ran.txt")), "document opened");
}

}  // namespace
