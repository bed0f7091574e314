#pragma once

#include <string>

// The rules for names that the folder scans apply. Kept together so that what a scan lists and
// what the program accepts as a new library's name can never disagree.
namespace LibraryNames {

// The part of the name from its last "." to the end, the dot included; empty without a dot.
std::string extensionOf(const std::string& name);

// Shared by every scan: names beginning with "." are never listed.
bool passesEntryFilter(const std::string& name);
// The file list lists names with an extension.
bool isFileListEntry(const std::string& name);
// The library scan lists names whose extension is shorter than 4 characters, dot included.
bool isLibraryEntry(const std::string& name);

}  // namespace LibraryNames
