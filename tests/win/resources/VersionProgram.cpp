// A small Windows program that carries the program's resources (version block, icon, manifest)
// and prints its own version block, so the resources can be looked at without the toolkit.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string text(const std::vector<char>& block, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904E4\\") + name;
  if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
      !value)
    return {};
  return std::string(value);
}

}  // namespace

int main() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(self, &ignored);
  if (size == 0) {
    std::fprintf(stderr, "no version block\n");
    return 1;
  }
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(self, 0, size, block.data())) return 1;
  for (const char* name : {"ProductName", "FileVersion", "ProductVersion", "CompanyName"})
    std::printf("%s: %s\n", name, text(block, name).c_str());
  return 0;
}
