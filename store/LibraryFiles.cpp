#include "LibraryFiles.h"

bool isLibraryFile(const std::string& name) {
  for (const char* file : LibraryFiles)
    if (name == file) return true;
  return false;
}
