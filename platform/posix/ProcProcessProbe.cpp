#include "ProcProcessProbe.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The last part of a path in either separator, as Wine shows Windows programs.
std::string baseName(const std::string& path) {
  const auto at = path.find_last_of("/\\");
  return at == std::string::npos ? path : path.substr(at + 1);
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

bool ProcProcessProbe::isRunning(const std::string& executableName) {
  const std::string wanted = lower(executableName);
  DIR* dir = opendir(proc_.c_str());
  if (!dir) return false;
  bool found = false;
  while (!found) {
    const dirent* entry = readdir(dir);
    if (!entry) break;
    const std::string pid = entry->d_name;
    if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
    const std::string base = proc_ + "/" + pid;
    std::string comm = readWhole(base + "/comm");
    if (!comm.empty() && comm.back() == '\n') comm.pop_back();
    if (lower(comm) == wanted) found = true;
    const std::string cmdline = readWhole(base + "/cmdline");
    // The program and each argument end in a zero byte: Wine puts the Windows program first.
    std::istringstream args(cmdline);
    std::string arg;
    for (int i = 0; i < 2 && std::getline(args, arg, '\0') && !found; ++i)
      if (lower(baseName(arg)) == wanted) found = true;
  }
  closedir(dir);
  return found;
}
