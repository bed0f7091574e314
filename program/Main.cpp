#include "Main.h"

#include "ITunesCheck.h"
#include "LibraryFiles.h"
#include "Locations.h"
#include "MakeLibActive.h"
#include "NewLibName.h"
#include "Options.h"
#include "controls/ControlBackend.h"

TForm1::TForm1(TApplication& app, Services& services)
    : TForm(app, windowLayout("Main")),
      Label1(Control<TLabel>("Label1")),
      CheckListBox1(Control<TCheckListBox>("CheckListBox1")),
      Label2(Control<TLabel>("Label2")),
      LibGroup(Control<TRadioGroup>("LibGroup")),
      Image1(Control<TImage>("Image1")),
      Button1(Control<TButton>("Button1")),
      Button2(Control<TButton>("Button2")),
      SpeedButton1(Control<TSpeedButton>("SpeedButton1")),
      SpeedButton2(Control<TSpeedButton>("SpeedButton2")),
      GroupBox1(Control<TGroupBox>("GroupBox1")),
      Label3(Control<TLabel>("Label3")),
      CheckBox1(Control<TCheckBox>("CheckBox1")),
      CheckBox2(Control<TCheckBox>("CheckBox2")),
      services_(services),
      lists_(services.files, globals_, view()) {
  OnCreate = [this](TObject* s) { FormCreate(s); };
  LibGroup->OnClick = [this](TObject* s) { LibGroupClick(s); };
  Button1->OnClick = [this](TObject* s) { CreateNewLib(s); };
  Button2->OnClick = [this](TObject* s) { MakeLibActive(s); };
  SpeedButton1->OnClick = [this](TObject* s) { ShowHelp(s); };
  SpeedButton2->OnClick = [this](TObject* s) { ZarnetHyperLink(s); };
  CheckBox1->OnClick = [this](TObject* s) { SettingsClick(s); };
  CheckBox2->OnClick = [this](TObject* s) { SettingsClick(s); };
}

TForm1::~TForm1() = default;

MainView TForm1::view() { return {*LibGroup, *CheckListBox1, *Image1, *CheckBox1, *CheckBox2}; }

void TForm1::FormCreate(TObject*) {
  Globals& g = globals_;
  g.Reg = std::make_unique<TRegistry>(services_.registry);
  TRegistry& reg = *g.Reg;

  reg.SetRootKey(reg::kCurrentUser);
  reg.OpenKey(Locations::kVolatileEnvironment);
  const std::string drive = reg.ReadString("HOMEDRIVE");
  const std::string path = reg.ReadString("HOMEPATH");
  g.MusicFolder = Locations::musicFolder(drive, path);
  recoverInterruptedSwitch(g.MusicFolder, services_.files, services_.registry);

  const std::string iTunes = Locations::iTunesFolder(g.MusicFolder);
  lists_.FindFiles(iTunes);

  reg.SetRootKey(reg::kLocalMachine);
  reg.OpenKey(Locations::kSettingsKey);

  g.ActiveLibName = reg.ReadString("Library Name");

  if ((reg.ReadInteger("First Use") & 0xFF) != 1) {
    if (iTunesIsRunning(services_.processes)) {
      // Seeding now would copy files iTunes is rewriting; the next start seeds instead.
      Application().Reporter().showFailure(failureBoxText(kITunesRunningMessage));
    } else {
      const std::string library = Locations::libraryFolder(g.MusicFolder, g.ActiveLibName);
      for (int i = 0; i < CheckListBox1->Count(); ++i) {
        const std::string& name = CheckListBox1->Item(i);
        services_.files.copyFile(Locations::inFolder(iTunes, name),
                                 Locations::inFolder(library, name));
      }
      reg.WriteInteger("First Use", 1);
    }
  }

  FindLibs();

  CheckBox1->SetCheckedQuietly(reg.ReadBool("Overwrite Library"));
  CheckBox2->SetCheckedQuietly(reg.ReadBool("Copy Content"));
}

void TForm1::FindLibs() { lists_.FindLibs(); }

void TForm1::LibGroupClick(TObject*) { lists_.LibGroupClick(); }

void TForm1::MakeLibActive(TObject*) {
  ::MakeLibActive(globals_, view(), services_.files, services_.processes, services_.progress);
}

void TForm1::CreateNewLib(TObject*) {
  if (Form2) Form2->CreateNewLib(*this);
}

void TForm1::SettingsClick(TObject*) { ::SettingsClick(globals_, view()); }

void TForm1::ShowHelp(TObject*) {
  ::ShowHelp(services_.shell, Application().Backend().nativeHandle(*this),
             services_.executablePath);
}

void TForm1::ZarnetHyperLink(TObject*) {
  ::ZarnetHyperLink(services_.shell, Application().Backend().nativeHandle(*this));
}
