#pragma once

#include "Globals.h"
#include "MainView.h"
#include "Services.h"
#include "controls/ControlBackend.h"
#include "controls/TButton.h"
#include "controls/TEdit.h"
#include "controls/TForm.h"
#include "controls/TLabel.h"

// The modeless dialog that asks for a new library's name.
class TForm2 : public TForm {
public:
  TForm2(TApplication& app, Globals& globals, MainView view, Services& services);

  TLabel* Label1;
  TEdit* Edit1;
  TButton* Button1;

  // "Add library" on the main window: opens the dialog unless all slots are in use or it is
  // open already. The first opening centres it over mainForm.
  void CreateNewLib(TForm& mainForm);
  // Key-down in Edit1: Enter, with any modifiers, adds the library of the typed name, or says
  // why it cannot and leaves the dialog open with the text. A filling that the user cancelled
  // leaves it open too, with nothing to say.
  void Accept(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
  // "Cancel": drops the name.
  void Cancel(TObject* Sender);

  // Where a window of the dialog's outer size lands when centred over the owner's outer
  // rectangle: halves rounded toward zero, negative coordinates raised to 0.
  static TRect centredOver(const TRect& owner, const TRect& dialog);

private:
  Globals& g_;
  MainView v_;
  Services& services_;
  bool openedBefore_ = false;
};
