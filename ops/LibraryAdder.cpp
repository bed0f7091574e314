#include "LibraryAdder.h"

#include <algorithm>

#include "ITunesCheck.h"
#include "LibraryFiles.h"
#include "LibraryNames.h"
#include "Locations.h"
#include "ProgressSession.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TRadioGroup.h"

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// The system's own words when it gave some, else a plain description of the kind of failure.
std::string reasonOf(const fs::Result& result) {
  std::string reason = result.reason;
  // It goes inside a sentence of ours.
  while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) reason.pop_back();
  if (!reason.empty()) return reason;
  switch (result.error) {
    case fs::Error::None:
      return "no error";
    case fs::Error::NotFound:
      return "it, or a folder on its way, does not exist";
    case fs::Error::IsDirectory:
      return "a folder is in the way";
    case fs::Error::Exists:
      return "it already exists";
    case fs::Error::AccessDenied:
      return "access is denied";
    case fs::Error::NoSpace:
      return "the disk is full";
    case fs::Error::Cancelled:
      return "the copy was cancelled";
    case fs::Error::Other:
      break;
  }
  return "the system refused";
}

}  // namespace

LibraryAdder::LibraryAdder(fs::FileSystem& files, Globals& globals, MainView view,
                           ProcessProbe* processes, ProgressDisplay* progress)
    : files_(files), g_(globals), v_(view), processes_(processes), progress_(progress) {}

std::vector<std::string> LibraryAdder::filesToCopy() const {
  std::vector<std::string> names;
  if (!v_.CheckBox2.Checked()) return names;
  // Every item, ticked or not, locked or not.
  for (const TCheckListBox::Entry& item : v_.CheckListBox1.Items()) names.push_back(item.text);
  return names;
}

std::string LibraryAdder::refusal(const std::string& name) {
  if (g_.LibCount >= v_.LibGroup.Count())
    return "All " + std::to_string(v_.LibGroup.Count()) + " library slots are in use.";

  if (std::string problem = LibraryNames::newLibraryNameProblem(name); !problem.empty())
    return problem;

  // Compared without regard to case whatever the system: two slots that differ only in case
  // would share one folder on Windows.
  for (int slot = 0; slot < g_.LibCount; ++slot)
    if (LibraryNames::sameLibraryName(v_.LibGroup.Item(slot), name))
      return "There is already a library named " + quoted(v_.LibGroup.Item(slot)) + ".";

  const std::string folder = Locations::libraryFolder(g_.MusicFolder, name);
  // The file system answers as it compares names: without regard to case on Windows.
  if (files_.exists(folder))
    return "The folder " + quoted(Locations::librariesRoot(g_.MusicFolder)) +
           " already holds a folder or file named " + quoted(name) + ".";

  // The longest name that will land in the folder: the files copied now, and the library's
  // database files, which every library receives when it is switched away from.
  std::string longest;
  for (const char* file : LibraryFiles)
    if (std::string(file).size() > longest.size()) longest = file;
  for (const std::string& file : filesToCopy())
    if (file.size() > longest.size()) longest = file;
  return LibraryNames::pathLengthProblem(folder, name, longest);
}

LibraryAdder::Result LibraryAdder::add(const std::string& name) {
  if (std::string why = refusal(name); !why.empty()) return {Outcome::NotAdded, why};

  const std::vector<std::string> names = filesToCopy();
  // Files that iTunes is rewriting would be copied torn. A library without content takes
  // nothing from the iTunes folder, so it can be added all the same.
  if (!names.empty() && iTunesIsRunning(processes_))
    return {Outcome::NotAdded, kITunesRunningMessage};

  const std::string folder = Locations::libraryFolder(g_.MusicFolder, name);
  if (fs::Result made = files_.createDirectory(folder); !made)
    return {Outcome::NotAdded, "The library's folder " + quoted(folder) +
                                  " could not be made: " + reasonOf(made) + "."};

  if (!names.empty()) {
    if (Result filled = fill(folder, names); filled.outcome != Outcome::Added) return filled;
  }

  // Only now, with the folder in place, does the slot take the name.
  v_.LibGroup.SetItem(g_.LibCount, name);
  ++g_.LibCount;
  return {};
}

LibraryAdder::Result LibraryAdder::fill(const std::string& folder,
                                        const std::vector<std::string>& names) {
  const std::string iTunes = Locations::iTunesFolder(g_.MusicFolder);
  std::uint64_t total = 0;
  for (const std::string& file : names) total += files_.fileSize(Locations::inFolder(iTunes, file));
  ProgressSession shown(progress_, "Filling new library", total);

  std::uint64_t done = 0;
  std::vector<std::string> copied;
  for (const std::string& file : names) {
    const std::string source = Locations::inFolder(iTunes, file);
    const std::string target = Locations::inFolder(folder, file);
    std::uint64_t doneOfFile = 0;
    const fs::Result result =
        files_.copyFile(source, target, [&](std::uint64_t bytes) {
          doneOfFile = bytes;
          return shown.update(file, done + bytes);
        });
    done += doneOfFile;
    if (result) {
      if (std::find(copied.begin(), copied.end(), target) == copied.end()) copied.push_back(target);
      continue;
    }
    if (result.error == fs::Error::Cancelled) {
      copied.push_back(target);
      return {Outcome::Cancelled, rollBack(folder, copied)};
    }
    // A listed file that has gone from the iTunes folder, or a listed sub-folder, is skipped.
    const bool sourceIsNoFile = files_.kindOf(source) != fs::EntryKind::File;
    if ((result.error == fs::Error::NotFound || result.error == fs::Error::IsDirectory) &&
        sourceIsNoFile)
      continue;

    copied.push_back(target);  // a failed copy may have left part of its target behind
    std::string why = "Could not copy " + quoted(file) +
                      " into the new library's folder: " + reasonOf(result) +
                      ". The library was not added.";
    if (std::string left = rollBack(folder, copied); !left.empty()) why += " " + left;
    return {Outcome::NotAdded, why};
  }
  return {};
}

std::string LibraryAdder::rollBack(const std::string& folder,
                                   const std::vector<std::string>& made) {
  // Everything is tried, so that as little as possible stays behind; the first trouble is told.
  std::string trouble;
  for (auto it = made.rbegin(); it != made.rend(); ++it) {
    const fs::Result removed = files_.removeFile(*it);
    if (!removed && removed.error != fs::Error::NotFound && trouble.empty())
      trouble =
          "The file " + quoted(*it) + " could not be removed again: " + reasonOf(removed) + ".";
  }
  if (const fs::Result removed = files_.removeDirectory(folder); !removed && trouble.empty())
    trouble =
        "The folder " + quoted(folder) + " could not be removed again: " + reasonOf(removed) + ".";
  return trouble;
}
