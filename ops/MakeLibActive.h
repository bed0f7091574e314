#pragma once

#include <string>

#include "Globals.h"
#include "LibrarySwitch.h"
#include "MainView.h"
#include "files/FileSystem.h"
#include "registry/RegistryBackend.h"

// "Make library active": makes the selected slot's library the active one. A switch that cannot
// be made changes nothing and is raised as an exception for the handler boundary to show; a
// cancelled one changes nothing and shows nothing.
void MakeLibActive(Globals& globals, MainView view, fs::FileSystem& files,
                   const SwitchProgress& progress = {});

// At start-up, before anything reads the folders: finishes a switch that was interrupted and
// removes leftover temporaries. Stores "Library Name" through an accessor of its own, so the
// shared one keeps its open key.
void recoverInterruptedSwitch(const std::string& musicFolder, fs::FileSystem& files,
                              reg::Backend& registry);
