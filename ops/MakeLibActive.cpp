#include "MakeLibActive.h"

#include "LibraryLists.h"
#include "Locations.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TImage.h"
#include "controls/TRadioGroup.h"

void MakeLibActive(Globals& g, MainView v, fs::FileSystem& files) {
  const std::uint8_t prev = g.ActiveLib;
  const auto sel = static_cast<std::uint8_t>(v.LibGroup.ItemIndex());
  if (sel > g.LibCount) return;
  if (v.CheckListBox1.Count() == 0) return;

  TRegistry& reg = *g.Reg;
  reg.SetRootKey(reg::kLocalMachine);
  reg.OpenKey(Locations::kSettingsKey);
  reg.WriteString("Library Name", v.LibGroup.Item(sel));
  g.ActiveLib = sel;

  const std::string iTunes = Locations::iTunesFolder(g.MusicFolder);
  const std::string previous = Locations::libraryFolder(g.MusicFolder, v.LibGroup.Item(prev));
  const std::string selected = Locations::libraryFolder(g.MusicFolder, v.LibGroup.Item(sel));
  const TCheckListBox& list = v.CheckListBox1;
  if (v.CheckBox1.Checked()) {
    for (int i = 0; i < list.Count(); ++i)
      if (list.Checked(i))
        files.copyFile(Locations::inFolder(iTunes, list.Item(i)),
                       Locations::inFolder(previous, list.Item(i)));
  }
  for (int i = 0; i < list.Count(); ++i)
    if (list.Checked(i))
      files.copyFile(Locations::inFolder(selected, list.Item(i)),
                     Locations::inFolder(iTunes, list.Item(i)));
  v.Image1.SetTop(LibraryLists::indicatorTop(g.ActiveLib));
}
