#pragma once

#include "TControl.h"

class TLabel : public TControl {
public:
  using TControl::TControl;
};
