#include "Locations.h"

namespace Locations {

std::string musicFolder(const std::string& homeDrive, const std::string& homePath) {
  return homeDrive + homePath + "\\My Documents\\My Music";
}

std::string iTunesFolder(const std::string& music) { return music + "\\iTunes"; }

std::string librariesRoot(const std::string& music) { return music + "\\Molvane"; }

std::string libraryFolder(const std::string& music, const std::string& name) {
  return librariesRoot(music) + "\\" + name;
}

std::string searchPath(const std::string& folder) { return folder + "\\*.*"; }

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder + "\\" + name;
}

std::string folderOf(const std::string& path) {
  auto at = path.find_last_of('\\');
  return at == std::string::npos ? std::string() : path.substr(0, at);
}

}  // namespace Locations
