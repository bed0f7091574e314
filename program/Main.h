#pragma once

#include <memory>

#include "Globals.h"
#include "LibraryLists.h"
#include "Services.h"
#include "controls/TApplication.h"
#include "controls/TButton.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TForm.h"
#include "controls/TGroupBox.h"
#include "controls/TImage.h"
#include "controls/TLabel.h"
#include "controls/TRadioGroup.h"
#include "controls/TSpeedButton.h"

class TForm2;

// The main window: its controls are the program's working data, and its handlers are the
// user's commands.
class TForm1 : public TForm {
public:
  TForm1(TApplication& app, Services& services);
  ~TForm1() override;

  TLabel* Label1;
  TCheckListBox* CheckListBox1;
  TLabel* Label2;
  TRadioGroup* LibGroup;
  TImage* Image1;
  TButton* Button1;
  TButton* Button2;
  TSpeedButton* SpeedButton1;
  TSpeedButton* SpeedButton2;
  TGroupBox* GroupBox1;
  TLabel* Label3;
  TCheckBox* CheckBox1;
  TCheckBox* CheckBox2;

  // The name dialog, created after this window.
  void SetNameDialog(TForm2* dialog) { Form2 = dialog; }

  void FormCreate(TObject* Sender);
  void FindLibs();
  void LibGroupClick(TObject* Sender);
  void MakeLibActive(TObject* Sender);
  void CreateNewLib(TObject* Sender);
  void SettingsClick(TObject* Sender);
  void ShowHelp(TObject* Sender);
  void ZarnetHyperLink(TObject* Sender);

  Globals& globals() { return globals_; }
  MainView view();

private:
  Services& services_;
  Globals globals_;
  LibraryLists lists_;
  TForm2* Form2 = nullptr;
};
