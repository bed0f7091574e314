#pragma once

#include <string>

#include "Globals.h"
#include "MainView.h"
#include "files/FileSystem.h"

class TCheckListBox;
class TImage;

// The scans that fill the file list and the library list, and the selection handler.
class LibraryLists {
public:
  LibraryLists(fs::FileSystem& files, Globals& globals, MainView view);

  // Appends the folder's entries that pass the file filter to the file list, in the order the
  // system lists them, and ticks and locks the library database files among them.
  void FindFiles(const std::string& folder);
  // Fills the slots from the libraries root, sets LibCount and ActiveLib, selects the active
  // slot (running the selection handler) and places the indicator.
  void FindLibs();
  // The library list's selection changed: list that library's folder, or return the
  // selection to the active slot when the picked slot holds no library.
  void LibGroupClick();

  // The indicator's top for a slot: two pixels below the top of the slot's row.
  static int indicatorTop(int slot) { return 48 + 24 * slot; }
  void placeIndicator();

private:
  fs::FileSystem& files_;
  Globals& g_;
  MainView v_;
};
