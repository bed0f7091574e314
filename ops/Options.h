#pragma once

#include <cstdint>
#include <string>

#include "Globals.h"
#include "MainView.h"
#include "shell/ShellOpener.h"

// The maker's web site. The maker has no site of its own yet, so this is a reserved address.
inline const char* const kMakerWebAddress = "https://www.example.com/molvane";

// Stores both options, "Overwrite Library" then "Copy Content", into the key Reg has open.
void SettingsClick(Globals& globals, MainView view);
// Opens the help file beside the executable, maximised.
void ShowHelp(ShellOpener& shell, std::uintptr_t owner, const std::string& executablePath);
// Opens the maker's web site in the user's browser.
void ZarnetHyperLink(ShellOpener& shell, std::uintptr_t owner);

// The help file's path: the executable's folder + "\Molvane Help.chm".
std::string helpFilePath(const std::string& executablePath);
