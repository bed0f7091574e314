#include "LibraryLists.h"

#include "LibraryFiles.h"
#include "LibraryNames.h"
#include "Locations.h"
#include "controls/TCheckListBox.h"
#include "controls/TImage.h"
#include "controls/TRadioGroup.h"

LibraryLists::LibraryLists(fs::FileSystem& files, Globals& globals, MainView view)
    : files_(files), g_(globals), v_(view) {}

void LibraryLists::FindFiles(const std::string& folder) {
  TCheckListBox& list = v_.CheckListBox1;
  for (const fs::DirEntry& entry : files_.findEntries(Locations::searchPath(folder))) {
    if (!LibraryNames::isFileListEntry(entry.name)) continue;
    list.Add(entry.name);
    if (isLibraryFile(entry.name)) {
      const int last = list.Count() - 1;
      list.SetChecked(last, true);
      list.SetItemEnabled(last, false);
    }
  }
}

void LibraryLists::FindLibs() {
  TRadioGroup& group = v_.LibGroup;
  g_.LibCount = 0;
  const auto root = Locations::searchPath(Locations::librariesRoot(g_.MusicFolder));
  for (const fs::DirEntry& entry : files_.findEntries(root)) {
    if (!LibraryNames::isLibraryEntry(entry.name)) continue;
    // Five slots: a sixth library has nowhere to go and is passed over.
    if (g_.LibCount >= group.Count()) break;
    ++g_.LibCount;
    group.SetItem(g_.LibCount - 1, entry.name);
    if (entry.name == g_.ActiveLibName) {
      g_.ActiveLib = static_cast<std::uint8_t>(g_.LibCount - 1);
      g_.ActiveLibKnown = true;
    }
  }
  group.SetItemIndex(g_.ActiveLib);
  placeIndicator();
}

void LibraryLists::LibGroupClick() {
  TRadioGroup& group = v_.LibGroup;
  const int s = group.ItemIndex();
  if (s < 0 || s >= g_.LibCount) {
    group.SetItemIndex(g_.ActiveLib);
    return;
  }
  v_.CheckListBox1.Clear();
  FindFiles(Locations::libraryFolder(g_.MusicFolder, group.Item(s)));
}

void LibraryLists::placeIndicator() { v_.Image1.SetTop(indicatorTop(g_.ActiveLib)); }
