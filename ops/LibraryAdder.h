#pragma once

#include <string>
#include <vector>

#include "Globals.h"
#include "MainView.h"
#include "controls/ProgressDisplay.h"
#include "files/FileSystem.h"
#include "process/ProcessProbe.h"

// Adding a library: decides whether a name can be taken, makes the library's folder, fills it
// from the iTunes folder when CheckBox2 is ticked, and only then gives the name a slot. A
// failure on the way removes what was made, so a slot never names a folder that is not there.
// While iTunes runs (asked of processes) a library is not filled from its folder; the filling
// is shown on progress, where the user may cancel it. Either may be none.
class LibraryAdder {
public:
  LibraryAdder(fs::FileSystem& files, Globals& globals, MainView view,
               ProcessProbe* processes = nullptr, ProgressDisplay* progress = nullptr);

  enum class Outcome {
    Added,
    NotAdded,   // refused or failed: nothing changed; why says why
    Cancelled,  // the user cancelled the filling: nothing changed, and why is empty unless
                // something made could not be removed again
  };
  struct Result {
    Outcome outcome = Outcome::Added;
    std::string why;
  };

  // Why the name cannot be a new library's name now, in words for the user; empty when it can.
  // Covers the name's own rules, the slots in use, what the libraries root already holds and
  // the path limits.
  std::string refusal(const std::string& name);

  // Adds the library; on any other outcome than Added nothing has changed.
  Result add(const std::string& name);

private:
  // Copies the files into the new folder, showing it; on failure or cancel removes them again.
  Result fill(const std::string& folder, const std::vector<std::string>& names);
  // The file list's items that a new library receives, in list order; none with CheckBox2
  // unticked.
  std::vector<std::string> filesToCopy() const;
  // Removes the copied files, then the folder; answers what could not be removed.
  std::string rollBack(const std::string& folder, const std::vector<std::string>& made);

  fs::FileSystem& files_;
  Globals& g_;
  MainView v_;
  ProcessProbe* processes_;
  ProgressDisplay* progress_;
};
