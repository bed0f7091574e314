#include "MakeLibActive.h"

#include <optional>

#include "ITunesCheck.h"
#include "LibraryLists.h"
#include "Locations.h"
#include "ProgressSession.h"
#include "TRegistry.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TImage.h"
#include "controls/TRadioGroup.h"

namespace {

// The settings key below HKEY_LOCAL_MACHINE, opened without being created. When it is open
// already the relative open fails and leaves it open, which is just as good.
void storeLibraryName(TRegistry& reg, const std::string& name) {
  reg.SetRootKey(reg::kLocalMachine);
  reg.OpenKey(Locations::kSettingsKey);
  reg.WriteString("Library Name", name);
}

}  // namespace

void MakeLibActive(Globals& g, MainView v, fs::FileSystem& files, ProcessProbe* processes,
                   ProgressDisplay* progress) {
  const std::uint8_t prev = g.ActiveLib;
  const auto sel = static_cast<std::uint8_t>(v.LibGroup.ItemIndex());
  if (sel > g.LibCount) return;
  const TCheckListBox& list = v.CheckListBox1;
  if (list.Count() == 0) return;
  // With nothing to do there is nothing to refuse; from here on files would be swapped.
  refuseWhileITunesRuns(processes);

  SwitchRequest request;
  request.musicFolder = g.MusicFolder;
  request.previousLibrary = v.LibGroup.Item(prev);
  request.selectedLibrary = v.LibGroup.Item(sel);
  for (int i = 0; i < list.Count(); ++i)
    if (list.Checked(i)) request.ticked.push_back(list.Item(i));
  request.saveBack = v.CheckBox1.Checked();
  if (request.saveBack && !g.ActiveLibKnown)
    throw SwitchFailure("Molvane cannot tell which library the iTunes folder holds now (the "
                        "library named in its settings has no folder), so it will not save the "
                        "iTunes files over the library \"" + request.previousLibrary +
                        "\". Nothing was changed. To switch without saving them, untick "
                        "\"Overwrite library files when switching libraries\".");

  LibrarySwitch librarySwitch(files, [&g](const std::string& name) { storeLibraryName(*g.Reg, name); });
  // The switch sizes what it copies and reports the whole with each step: the display begins
  // at the first report, so nothing is planned or sized twice.
  std::optional<ProgressSession> shown;
  const SwitchProgress report = [&shown, progress](std::uint64_t done, std::uint64_t total,
                                                   const std::string& file) {
    if (!shown) shown.emplace(progress, "Making library active", total);
    return shown->update(file, done);
  };
  if (librarySwitch.run(request, report) != LibrarySwitch::Outcome::Done) return;

  g.ActiveLib = sel;
  g.ActiveLibKnown = true;
  v.Image1.SetTop(LibraryLists::indicatorTop(g.ActiveLib));
}

void recoverInterruptedSwitch(const std::string& musicFolder, fs::FileSystem& files,
                              reg::Backend& registry) {
  TRegistry reg(registry);
  LibrarySwitch(files, [&reg](const std::string& name) { storeLibraryName(reg, name); })
      .recover(musicFolder);
}
