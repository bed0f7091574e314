#include "Art.h"

#include <fstream>
#include <stdexcept>

#include "Encoders.h"
#include "Pictures.h"

std::vector<ArtFile> makeArt() {
  std::vector<ArtFile> files{
      {"help.bmp", encodeBmp24(drawHelpGlyph())},
      {"weblink.bmp", encodeBmp24(drawWebLinkGlyph())},
      {"indicator.bmp", encodeBmp24(drawIndicator())},
  };
  // The old 8-bit images come first, then the ones with alpha, largest first.
  std::vector<IconImage> icon;
  for (const int size : {48, 32, 16}) icon.push_back({drawAppIcon(size), 8});
  for (const int size : {128, 96, 72, 64, 48, 32, 16}) icon.push_back({drawAppIcon(size), 32});
  files.push_back({"MAINICON.ico", encodeIco(icon)});
  for (const int size : {16, 32, 48, 64, 128})
    files.push_back({"icons/molvane-" + std::to_string(size) + ".png", encodePng(drawAppIcon(size))});
  return files;
}

std::vector<ArtFile> writeArt(const std::filesystem::path& folder) {
  std::vector<ArtFile> files = makeArt();
  for (const ArtFile& file : files) {
    const std::filesystem::path path = folder / file.path;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
  }
  return files;
}
