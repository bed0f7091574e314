#include "TCheckListBox.h"

#include "TForm.h"

void TCheckListBox::Add(const std::string& text) {
  items_.push_back({text, false, true});
  Changed();
}

void TCheckListBox::SetChecked(int index, bool checked) {
  Entry& e = items_.at(static_cast<size_t>(index));
  if (e.checked == checked) return;
  e.checked = checked;
  Changed();
}

void TCheckListBox::SetItemEnabled(int index, bool enabled) {
  Entry& e = items_.at(static_cast<size_t>(index));
  if (e.enabled == enabled) return;
  e.enabled = enabled;
  Changed();
}

void TCheckListBox::Clear() {
  if (items_.empty() && itemIndex_ == -1) return;
  items_.clear();
  itemIndex_ = -1;
  Changed();
}

void TCheckListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) return;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Changed();
}

bool TCheckListBox::userToggle(int index) {
  if (index < 0 || index >= Count()) return false;
  Form()->userFocus(this);
  SetItemIndex(index);
  Entry& e = items_[static_cast<size_t>(index)];
  if (!e.enabled) return false;
  e.checked = !e.checked;
  Changed();
  return true;
}

void TCheckListBox::userSelect(int index) {
  Form()->userFocus(this);
  SetItemIndex(index);
}
