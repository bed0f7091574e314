#pragma once

#include <array>
#include <string>

// The four files that make up an iTunes library, in this order.
inline const std::array<const char*, 4> LibraryFiles = {
    "iTunes Library.itl",
    "iTunes Music Library.xml",
    "iTunes Library Extras.itdb",
    "iTunes Library Genius.itdb",
};

// Whether the name is one of the four exactly, byte for byte, case distinguished.
bool isLibraryFile(const std::string& name);
