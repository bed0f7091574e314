#pragma once

#include "controls/TApplication.h"
#include "controls/TButton.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TEdit.h"
#include "controls/TRadioGroup.h"
#include "layout/Layout.h"

// A small window with one control of each kind that has behaviour, for the controls' own tests
// on any backend.
inline const Layout& testFormLayout() {
  static const Layout layout = parseLayout(
      "form F class=TForm client=300x200 font=w border=single\n"
      "font w face=\"MS Sans Serif\" fallback=\"DejaVu Sans\" height=11\n"
      "control B kind=TButton bounds=200,160,60,25 text=Go font=w taborder=0\n"
      "control R kind=TRadioGroup bounds=150,10,140,139 font=w taborder=1 item=a item=b item=c "
      "item=d item=e\n"
      "control C kind=TCheckBox bounds=10,160,100,17 text=Opt font=w taborder=2 checked=1\n"
      "control L kind=TCheckListBox bounds=10,10,120,120 font=w taborder=3\n"
      "control E kind=TEdit bounds=120,160,70,21 font=w taborder=4\n");
  return layout;
}

class TestForm : public TForm {
public:
  explicit TestForm(TApplication& app) : TForm(app, testFormLayout()) {}
  TRadioGroup* R = Control<TRadioGroup>("R");
  TCheckBox* C = Control<TCheckBox>("C");
  TCheckListBox* L = Control<TCheckListBox>("L");
  TButton* B = Control<TButton>("B");
  TEdit* E = Control<TEdit>("E");
};
