#pragma once

#include <string>
#include <vector>

#include "TControl.h"

// A list whose items carry a tick and an enabled flag. A disabled item is drawn greyed and its
// tick cannot be changed by the user, yet it can still be focused and highlighted.
class TCheckListBox : public TControl {
public:
  using TControl::TControl;

  struct Entry {
    std::string text;
    bool checked = false;
    bool enabled = true;
  };

  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int index) const { return at(index).text; }
  bool Checked(int index) const { return at(index).checked; }
  bool ItemEnabled(int index) const { return at(index).enabled; }
  const std::vector<Entry>& Items() const { return items_; }

  void Add(const std::string& text);
  void SetChecked(int index, bool checked);
  void SetItemEnabled(int index, bool enabled);
  void Clear();

  // The focused (highlighted) item, -1 for none.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);

  // The user clicked an item's tick box or pressed the space bar on it. Refused on a
  // disabled item. Answers whether the tick changed.
  bool userToggle(int index);
  void userSelect(int index);

private:
  const Entry& at(int index) const { return items_.at(static_cast<size_t>(index)); }
  std::vector<Entry> items_;
  int itemIndex_ = -1;
};
