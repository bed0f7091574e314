// Draws the program's bitmaps, icon and icon theme PNGs into a res/ folder:
//   molvane-makeart <res folder>
// Run it by hand after changing a picture and commit what it writes; the build never runs it,
// and a unit test checks that it still reproduces the committed files.
#include <exception>
#include <iostream>

#include "Art.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: molvane-makeart <res folder>\n";
    return 2;
  }
  try {
    for (const ArtFile& file : writeArt(argv[1])) std::cout << file.path << " " << file.bytes.size() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "molvane-makeart: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
