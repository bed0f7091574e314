#include "LibraryNames.h"

#include <array>

namespace LibraryNames {

namespace {

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  return true;
}

// Names Windows keeps for devices. They stay devices with any extension ("con.txt") and with
// blanks before it, so only the part before the first dot, blanks trimmed, is compared.
bool isReservedDeviceName(const std::string& base) {
  static const std::array<const char*, 4> plain = {"CON", "PRN", "AUX", "NUL"};
  for (const char* device : plain)
    if (equalsIgnoringCase(base, device)) return true;
  if (base.size() == 4 && base[3] >= '1' && base[3] <= '9') {
    const std::string stem = base.substr(0, 3);
    return equalsIgnoringCase(stem, "COM") || equalsIgnoringCase(stem, "LPT");
  }
  return false;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string extensionOf(const std::string& name) {
  auto dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool passesEntryFilter(const std::string& name) { return !name.empty() && name.front() != '.'; }

bool isFileListEntry(const std::string& name) {
  return passesEntryFilter(name) && !extensionOf(name).empty();
}

bool isLibraryEntry(const std::string& name) {
  return passesEntryFilter(name) && extensionOf(name).size() < 4;
}

std::string newLibraryNameProblem(const std::string& name) {
  if (name.find_first_not_of(' ') == std::string::npos)
    return "A library name cannot be empty or consist of spaces only.";

  for (char c : name)
    if (static_cast<unsigned char>(c) < 32)
      return "A library name cannot contain control characters such as tabs or line breaks.";

  // Windows refuses these in any file name; "\" and "/" would also put the folder elsewhere.
  static const std::string refused = "\\/<>:\"|?*";
  if (auto at = name.find_first_of(refused); at != std::string::npos) {
    if (name[at] == '"') return "A library name cannot contain quotation marks (\").";
    return "A library name cannot contain " + quoted(std::string(1, name[at])) + ".";
  }

  // The library scan never lists such a name, so the library would be lost at the next start.
  if (!passesEntryFilter(name))
    return "A library name cannot begin with \".\": the library would not be found at the next "
           "start.";

  if (name.front() == ' ') return "A library name cannot begin with a space.";
  // Windows drops trailing blanks and dots from file names, so the folder would get another
  // name than the slot shows.
  if (name.back() == ' ') return "A library name cannot end with a space.";
  if (name.back() == '.') return "A library name cannot end with \".\".";

  std::string base = name.substr(0, name.find('.'));
  base.erase(base.find_last_not_of(' ') + 1);
  if (isReservedDeviceName(base))
    return quoted(name) + " cannot be a library name: Windows keeps the name " + quoted(base) +
           " for a device.";

  if (!isLibraryEntry(name))
    return "A library name cannot end with " + quoted(extensionOf(name)) +
           ": after its last \".\" a library name can have at most two characters, or the "
           "library would not be found at the next start.";

  return {};
}

bool sameLibraryName(const std::string& a, const std::string& b) {
  return equalsIgnoringCase(a, b);
}

std::string pathLengthProblem(const std::string& libraryFolder, const std::string& name,
                              const std::string& longestFileName) {
  if (name.size() > kMaxComponent)
    return "A library name can be at most " + std::to_string(kMaxComponent) + " characters long.";
  if (libraryFolder.size() > kMaxFolderPath)
    return "The name is too long for this music folder: the path of the library's folder would "
           "be longer than the system allows (" +
           std::to_string(kMaxFolderPath) + " characters).";
  if (!longestFileName.empty() && libraryFolder.size() + 1 + longestFileName.size() > kMaxFilePath)
    return "The name is too long for this music folder: the path of " + quoted(longestFileName) +
           " in the library's folder would be longer than the system allows (" +
           std::to_string(kMaxFilePath) + " characters).";
  return {};
}

}  // namespace LibraryNames
