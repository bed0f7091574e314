#include "LibraryNames.h"

namespace LibraryNames {

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

}  // namespace LibraryNames
