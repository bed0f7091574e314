#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/FileSystem.h"

// What "Make library active" was asked to do, as the main window's controls said it.
struct SwitchRequest {
  std::string musicFolder;
  std::string previousLibrary;       // text of the slot that was active until now
  std::string selectedLibrary;       // text of the slot being made active
  std::vector<std::string> ticked;   // the file list's ticked items, in list order
  bool saveBack = false;             // CheckBox1: save the iTunes folder's files first
};

// Bytes copied so far of the whole switch, the bytes it copies in all, and the file being
// copied. Answer false to cancel; a cancelled switch changes nothing.
using SwitchProgress =
    std::function<bool(std::uint64_t done, std::uint64_t total, const std::string& file)>;

// Stores "Library Name"; a failure is raised as the registry's exception.
using StoreLibraryName = std::function<void(const std::string& name)>;

// A switch that was refused or could not be brought to an end; what() is the user's message.
class SwitchFailure : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Makes a library active all or nothing. Every file that the save-back and load passes would
// replace is first copied to a temporary beside its target; only when all copies exist is a
// journal written (so a crash from then on is finished at the next start), the temporaries
// renamed over their targets, and "Library Name" stored. Any failure before the name is stored
// puts every file back and removes every temporary.
class LibrarySwitch {
public:
  enum class Outcome { Done, Cancelled };

  // One file that the switch gives new content.
  struct Copy {
    std::string source;  // full path of the content it takes
    std::string folder;  // the target's folder
    std::string name;    // the target's name in it
  };

  LibrarySwitch(fs::FileSystem& files, StoreLibraryName storeName);

  // The copies that give exactly the result of the save-back pass followed by the load pass,
  // each taken from the state before the switch. A missing source or a folder as source is left
  // out, as the passes would skip it.
  std::vector<Copy> plan(const SwitchRequest& request);

  // Raises SwitchFailure (or the registry's own exception) when the switch cannot be made; then
  // nothing has changed.
  Outcome run(const SwitchRequest& request, const SwitchProgress& progress = {});

  // At start-up: finishes (or, if it was being abandoned, undoes) a switch that the process or
  // the machine stopped in the middle, then removes the program's leftover temporaries from the
  // iTunes folder, the libraries root and every folder in it. Raises SwitchFailure when the
  // folders cannot be put in order; nothing should then read them.
  void recover(const std::string& musicFolder);

  // The journal of a switch under way: a hidden file in the libraries root.
  static std::string journalPath(const std::string& musicFolder);

  // A staged copy: where its new content waits, and where the old content is kept until the
  // switch is over.
  struct Staged {
    Copy copy;
    std::string temporary;  // name of the new content beside the target
    std::string backup;     // name the old content is moved to while the switch may be undone
    bool hadTarget = false; // the target existed before the switch
    std::uint64_t size = 0;
  };

private:
  struct Journal {
    bool undo = false;
    std::string library;
    std::vector<Staged> entries;
  };

  // Each answers whether it brought the files to the state it names.
  bool stage(std::vector<Staged>& staged, std::size_t& made, const SwitchProgress& progress,
             std::string& message, bool& cancelled);
  bool replaceAll(const std::vector<Staged>& staged, std::string& message);
  // These two work from what is on disk, so they can be run again after a crash.
  bool undoAll(const std::vector<Staged>& staged);
  bool finishAll(const std::vector<Staged>& staged);
  // Puts every file back after a failure at any point before "Library Name" was stored.
  bool abandon(const Journal& journal, const std::string& journalFile, bool journalAttempted,
               std::size_t made);
  void removeBackups(const std::vector<Staged>& staged);
  void sweep(const std::string& musicFolder);

  static std::string encode(const Journal& journal);
  static bool decode(const std::string& text, Journal& journal);

  fs::FileSystem& files_;
  StoreLibraryName storeName_;
};
