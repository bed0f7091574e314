#pragma once

#include "TControl.h"

class TCheckBox : public TControl {
public:
  TCheckBox(TForm* form, TControl* parent, const LayoutControl& def);

  bool Checked() const { return checked_; }
  // Setting a different state runs OnClick, synchronously; the same state runs nothing.
  void SetChecked(bool checked);
  // Changes the check mark only, running no handler (restoring saved options).
  void SetCheckedQuietly(bool checked);

  TNotifyEvent OnClick;

  // The user toggled the box with the mouse or the space bar.
  void userClick();

private:
  bool checked_;
};
