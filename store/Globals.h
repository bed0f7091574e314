#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "TRegistry.h"

// The values every handler of the main window shares. The main window owns the one instance;
// the name dialog is handed a reference.
struct Globals {
  std::string MusicFolder;    // set once at start-up, no trailing separator
  std::string ActiveLibName;  // "Library Name" as read at start-up; never updated
  std::uint8_t LibCount = 0;  // slots in use
  std::uint8_t ActiveLib = 0; // slot of the active library
  // Whether the iTunes folder is known to hold slot ActiveLib's files: the scan found the stored
  // "Library Name" among the libraries, or a switch made it so. Slot 0 stands in as the active
  // library otherwise, and saving the iTunes folder into it could overwrite another library.
  bool ActiveLibKnown = false;
  std::unique_ptr<TRegistry> Reg;
};
