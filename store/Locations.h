#pragma once

#include <string>

// Every path below the music folder, built by plain concatenation with "\" separators.
namespace Locations {

inline const char* const kSettingsKey = "Software\\Zarnet\\Molvane";
inline const char* const kVolatileEnvironment = "Volatile Environment";
inline const char* const kHelpFileName = "Molvane Help.chm";

std::string musicFolder(const std::string& homeDrive, const std::string& homePath);
std::string iTunesFolder(const std::string& musicFolder);     // MusicFolder\iTunes
std::string librariesRoot(const std::string& musicFolder);    // MusicFolder\Molvane
std::string libraryFolder(const std::string& musicFolder, const std::string& name);
std::string searchPath(const std::string& folder);            // folder\*.*
std::string inFolder(const std::string& folder, const std::string& name);  // folder\name
// The folder of a path: everything before its last "\".
std::string folderOf(const std::string& path);

}  // namespace Locations
