#include "Options.h"

#include "Locations.h"
#include "controls/TCheckBox.h"

void SettingsClick(Globals& globals, MainView view) {
  globals.Reg->WriteBool("Overwrite Library", view.CheckBox1.Checked());
  globals.Reg->WriteBool("Copy Content", view.CheckBox2.Checked());
}

std::string helpFilePath(const std::string& executablePath) {
  return Locations::inFolder(Locations::folderOf(executablePath), Locations::kHelpFileName);
}

void ShowHelp(ShellOpener& shell, std::uintptr_t owner, const std::string& executablePath) {
  shell.open(owner, "open", helpFilePath(executablePath), {}, {}, kSwShowMaximized);
}

void ZarnetHyperLink(ShellOpener& shell, std::uintptr_t owner) {
  shell.open(owner, "open", kMakerWebAddress, {}, {}, kSwShow);
}
