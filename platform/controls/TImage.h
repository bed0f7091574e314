#pragma once

#include "TControl.h"

// A picture drawn unscaled and opaque from its top-left corner; the picture is a resource name.
class TImage : public TControl {
public:
  using TControl::TControl;
  std::string Picture() const { return Definition().prop("picture"); }
};
