#pragma once

#include "TControl.h"

class TButton : public TControl {
public:
  using TControl::TControl;

  TNotifyEvent OnClick;

  // A click by mouse or keyboard: the button takes the focus, then its handler runs.
  void userClick();
};
