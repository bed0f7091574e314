#pragma once

#include <string>

#include "TControl.h"

class TEdit : public TControl {
public:
  using TControl::TControl;

  const std::string& Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  void Clear() { SetCaption({}); }

  TKeyEvent OnKeyDown;

  // A key went down while the box has the focus: the handler runs first (its failure is
  // shown); the key then goes on to the box's own editing, which the backend does.
  void userKeyDown(std::uint16_t key, TShiftState shift);
  // The user's editing changed the text.
  void userSetText(const std::string& text) { SetCaption(text); }
};
