#include "NewLibName.h"

#include "Locations.h"
#include "controls/TApplication.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TRadioGroup.h"

TForm2::TForm2(TApplication& app, Globals& globals, MainView view, fs::FileSystem& files)
    : TForm(app, windowLayout("NewLibName")),
      Label1(Control<TLabel>("Label1")),
      Edit1(Control<TEdit>("Edit1")),
      Button1(Control<TButton>("Button1")),
      g_(globals),
      v_(view),
      files_(files) {
  Edit1->OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState sh) { Accept(s, k, sh); };
  Button1->OnClick = [this](TObject* s) { Cancel(s); };
}

void TForm2::CreateNewLib(TForm&) {
  if (g_.LibCount > 4) return;
  if (Showing()) return;
  Show();
}

void TForm2::Accept(TObject*, std::uint16_t& Key, TShiftState) {
  if (Key != VK_RETURN) return;
  ++g_.LibCount;
  v_.LibGroup.SetItem(g_.LibCount - 1, Edit1->Text());
  const std::string folder = Locations::libraryFolder(g_.MusicFolder, Edit1->Text());
  if (!files_.isDirectory(folder)) files_.createDirectory(folder);
  if (v_.CheckBox2.Checked()) {
    const std::string iTunes = Locations::iTunesFolder(g_.MusicFolder);
    for (int i = 0; i < v_.CheckListBox1.Count(); ++i) {
      const std::string& name = v_.CheckListBox1.Item(i);
      files_.copyFile(Locations::inFolder(iTunes, name), Locations::inFolder(folder, name));
    }
  }
  Edit1->Clear();
  Hide();
}

void TForm2::Cancel(TObject*) {
  Edit1->Clear();
  Hide();
}
