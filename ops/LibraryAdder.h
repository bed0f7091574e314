#pragma once

#include <string>
#include <vector>

#include "Globals.h"
#include "MainView.h"
#include "files/FileSystem.h"

// Adding a library: decides whether a name can be taken, makes the library's folder, fills it
// from the iTunes folder when CheckBox2 is ticked, and only then gives the name a slot. A
// failure on the way removes what was made, so a slot never names a folder that is not there.
class LibraryAdder {
public:
  LibraryAdder(fs::FileSystem& files, Globals& globals, MainView view);

  // Why the name cannot be a new library's name now, in words for the user; empty when it can.
  // Covers the name's own rules, the slots in use, what the libraries root already holds and
  // the path limits.
  std::string refusal(const std::string& name);

  // Adds the library. Answers empty on success; otherwise why not, with nothing changed.
  std::string add(const std::string& name);

private:
  // The file list's items that a new library receives, in list order; none with CheckBox2
  // unticked.
  std::vector<std::string> filesToCopy() const;
  // Removes the copied files, then the folder; answers what could not be removed.
  std::string rollBack(const std::string& folder, const std::vector<std::string>& made);

  fs::FileSystem& files_;
  Globals& g_;
  MainView v_;
};
