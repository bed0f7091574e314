#pragma once

#include "Globals.h"
#include "MainView.h"
#include "files/FileSystem.h"

// "Make library active": makes the selected slot's library the active one.
void MakeLibActive(Globals& globals, MainView view, fs::FileSystem& files);
