#pragma once

#include "TControl.h"

class TGroupBox : public TControl {
public:
  using TControl::TControl;
};
