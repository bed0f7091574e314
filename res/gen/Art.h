#pragma once

#include <filesystem>
#include <string>
#include <vector>

// One generated file: its path below res/ and its bytes.
struct ArtFile {
  std::string path;
  std::string bytes;
};

// Every picture file the program ships: the two button glyphs, the indicator, the icon and the
// icon's PNG renderings for the desktop's icon theme.
std::vector<ArtFile> makeArt();

// Writes the files of makeArt() below the given folder, creating sub-folders as needed, and
// returns what it wrote.
std::vector<ArtFile> writeArt(const std::filesystem::path& folder);
