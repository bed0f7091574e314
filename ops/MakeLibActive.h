#pragma once

#include <string>

#include "Globals.h"
#include "LibrarySwitch.h"
#include "MainView.h"
#include "controls/ProgressDisplay.h"
#include "files/FileSystem.h"
#include "process/ProcessProbe.h"
#include "registry/RegistryBackend.h"

// "Make library active": makes the selected slot's library the active one. A switch that cannot
// be made, or that iTunes would be running under (asked of processes), changes nothing and is
// raised as an exception for the handler boundary to show. The copies are shown on progress; a
// switch cancelled there changes nothing and shows nothing. Either may be none.
void MakeLibActive(Globals& globals, MainView view, fs::FileSystem& files,
                   ProcessProbe* processes = nullptr, ProgressDisplay* progress = nullptr);

// At start-up, before anything reads the folders: finishes a switch that was interrupted and
// removes leftover temporaries. Stores "Library Name" through an accessor of its own, so the
// shared one keeps its open key.
void recoverInterruptedSwitch(const std::string& musicFolder, fs::FileSystem& files,
                              reg::Backend& registry);
