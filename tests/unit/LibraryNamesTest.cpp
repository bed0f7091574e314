#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "LibraryNames.h"

using namespace LibraryNames;

// Every name the new-name rule accepts must be one the library scan lists at the next start,
// or the library is lost. Checked over every name of up to five characters drawn from
// characters that the two rules treat specially.
TEST(LibraryNames, EveryAcceptedNameIsListedByTheLibraryScan) {
  const std::string alphabet = "a. 1/";
  std::vector<std::string> names{""};
  std::vector<std::string> accepted;
  for (std::size_t length = 1; length <= 5; ++length) {
    std::vector<std::string> longer;
    for (const std::string& stem : names)
      if (stem.size() == length - 1)
        for (char c : alphabet) longer.push_back(stem + c);
    names.insert(names.end(), longer.begin(), longer.end());
  }
  for (const std::string& name : names) {
    if (!newLibraryNameProblem(name).empty()) continue;
    accepted.push_back(name);
    EXPECT_TRUE(isLibraryEntry(name)) << '"' << name << '"';
  }
  // The rule must not pass by refusing everything: these shapes are all drawn above.
  for (const char* shape : {"a", "a.1", "a a", "1.aa", "a.a.a"})
    EXPECT_NE(std::find(accepted.begin(), accepted.end(), shape), accepted.end()) << shape;
}

TEST(LibraryNames, DeviceNamesAreRefusedInAnyCaseAndWithAnyExtension) {
  std::vector<std::string> devices = {"CON", "PRN", "AUX", "NUL"};
  for (char d = '1'; d <= '9'; ++d) {
    devices.push_back(std::string("COM") + d);
    devices.push_back(std::string("LPT") + d);
  }
  for (const std::string& device : devices) {
    std::string lower = device;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::vector<std::string> forms = {device, lower, lower + ".txt", device + ".a.b",
                                            device + " .mp"};
    for (const std::string& name : forms) {
      const std::string problem = newLibraryNameProblem(name);
      EXPECT_NE(problem.find("for a device"), std::string::npos) << name << ": " << problem;
    }
  }
  for (const char* near : {"COM0", "LPT10", "CONSOLE", "COM", "NULL", "xCON", "AUX1", "Con Air"})
    EXPECT_EQ(newLibraryNameProblem(near), "") << near;
}

TEST(LibraryNames, PathLimitsHoldAtTheirBoundaries) {
  const std::string name = "Rock";
  auto folderOf = [](std::size_t length) { return std::string(length, 'f'); };

  EXPECT_EQ(pathLengthProblem(folderOf(kMaxFolderPath), name, ""), "");
  EXPECT_NE(pathLengthProblem(folderOf(kMaxFolderPath + 1), name, ""), "");

  // folder + "\" + file
  const std::string file(20, 'x');
  const std::size_t fits = kMaxFilePath - 1 - file.size();
  EXPECT_EQ(pathLengthProblem(folderOf(fits), name, file), "");
  const std::string tooLong = pathLengthProblem(folderOf(fits + 1), name, file);
  EXPECT_NE(tooLong.find('"' + file + '"'), std::string::npos) << tooLong;

  EXPECT_EQ(pathLengthProblem(folderOf(10), std::string(kMaxComponent, 'n'), ""), "");
  EXPECT_NE(pathLengthProblem(folderOf(10), std::string(kMaxComponent + 1, 'n'), ""), "");
}

TEST(LibraryNames, SameLibraryNameFoldsAsciiCaseOnly) {
  EXPECT_TRUE(sameLibraryName("Rock", "rOCK"));
  EXPECT_TRUE(sameLibraryName("Jazz 2.a", "JAZZ 2.A"));
  EXPECT_FALSE(sameLibraryName("Rock", "Rock "));
  EXPECT_FALSE(sameLibraryName("Rock", "Roc"));
  EXPECT_FALSE(sameLibraryName("[", "{"));  // 0x5B and 0x7B differ by 32 but are no letters
  EXPECT_FALSE(sameLibraryName("\xC9t\xE9", "\xE9t\xE9"));
}

// The scan's own filter keeps its behaviour.
TEST(LibraryNames, ScanFiltersAreUnchanged) {
  EXPECT_TRUE(isLibraryEntry("Rock"));
  EXPECT_TRUE(isLibraryEntry("Rock.ab"));
  EXPECT_FALSE(isLibraryEntry("Rock.abc"));
  EXPECT_FALSE(isLibraryEntry(".hidden"));
  EXPECT_FALSE(isFileListEntry("NoExtension"));
  EXPECT_TRUE(isFileListEntry("a.mp3"));
  EXPECT_EQ(extensionOf("a.b.cd"), ".cd");
}
