#pragma once

#include "TControl.h"

// A flat button with a picture; it never takes the focus.
class TSpeedButton : public TControl {
public:
  using TControl::TControl;

  TNotifyEvent OnClick;
  std::string Glyph() const { return Definition().prop("glyph"); }

  void userClick();
};
