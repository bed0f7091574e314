#pragma once

#include <string>
#include <vector>

#include "ControlBackend.h"
#include "TControl.h"

// A group of radio buttons, one per item, at most one selected.
class TRadioGroup : public TControl {
public:
  TRadioGroup(TForm* form, TControl* parent, const LayoutControl& def);

  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int index) const { return items_.at(static_cast<size_t>(index)); }
  // Changing an item's text runs nothing.
  void SetItem(int index, const std::string& text);

  // -1 when nothing is selected.
  int ItemIndex() const { return itemIndex_; }
  // Selecting another item runs OnClick synchronously (nested when called inside it);
  // selecting the item already selected runs nothing.
  void SetItemIndex(int index);

  // Where item index's radio button stands in the group: one column, the usable height below
  // the caption line split into equal rows, the odd pixels shared above and below.
  TRect RowRect(int index) const;

  TNotifyEvent OnClick;

  // The user picked an item (mouse or arrow keys).
  void userSelect(int index);

private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};
