#pragma once

#include <cstddef>
#include <string>

// The rules for names that the folder scans apply, and the rule for a new library's name.
// Kept together so that what a scan lists and what the program accepts as a new library's name
// can never disagree: every name that newLibraryNameProblem accepts is one that
// isLibraryEntry lists.
namespace LibraryNames {

// The part of the name from its last "." to the end, the dot included; empty without a dot.
std::string extensionOf(const std::string& name);

// Shared by every scan: names beginning with "." are never listed.
bool passesEntryFilter(const std::string& name);
// The file list lists names with an extension.
bool isFileListEntry(const std::string& name);
// The library scan lists names whose extension is shorter than 4 characters, dot included.
bool isLibraryEntry(const std::string& name);

// Why the name, on its own, cannot be a new library's name, in words for the user; empty when
// it can. Looks only at the name: whether it is taken, and whether its paths fit, are asked
// separately below.
std::string newLibraryNameProblem(const std::string& name);

// Whether two library names would name the same folder on any system the program runs on:
// equal apart from the case of ASCII letters, as Windows compares file names.
bool sameLibraryName(const std::string& a, const std::string& b);

// Path limits. A library folder must work on every system the program runs on, so the
// strictest of their limits applies everywhere, counted in bytes of the 8-bit name (never fewer
// than the characters or UTF-16 units Windows counts):
// - one component of a path: 255 (NAME_MAX on POSIX file systems; Windows' own limit too);
// - a folder that is created: 247 characters. CreateDirectoryA allows MAX_PATH - 12 = 248
//   (room kept for an 8.3 name inside it); read as counting the terminating zero, to be safe;
// - a file inside it: 259 characters, MAX_PATH (260) less the terminating zero.
// POSIX's PATH_MAX (4096 on Linux, 1024 on macOS) is far above these, so it never decides.
inline constexpr std::size_t kMaxComponent = 255;
inline constexpr std::size_t kMaxFolderPath = 247;
inline constexpr std::size_t kMaxFilePath = 259;

// Why a new library's folder path, or the path of the longest file name that will be put in
// it, breaks the limits above; empty when both fit. longestFileName is the name itself.
std::string pathLengthProblem(const std::string& libraryFolder, const std::string& name,
                              const std::string& longestFileName);

}  // namespace LibraryNames
