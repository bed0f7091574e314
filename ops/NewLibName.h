#pragma once

#include "Globals.h"
#include "MainView.h"
#include "controls/TButton.h"
#include "controls/TEdit.h"
#include "controls/TForm.h"
#include "controls/TLabel.h"
#include "files/FileSystem.h"

// The modeless dialog that asks for a new library's name.
class TForm2 : public TForm {
public:
  TForm2(TApplication& app, Globals& globals, MainView view, fs::FileSystem& files);

  TLabel* Label1;
  TEdit* Edit1;
  TButton* Button1;

  // "Add library" on the main window.
  void CreateNewLib(TForm& mainForm);
  void Accept(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
  void Cancel(TObject* Sender);

private:
  Globals& g_;
  MainView v_;
  fs::FileSystem& files_;
};
