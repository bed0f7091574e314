#include "TRadioGroup.h"

#include <stdexcept>

#include "TApplication.h"

TRadioGroup::TRadioGroup(TForm* form, TControl* parent, const LayoutControl& def)
    : TControl(form, parent, def), items_(def.items) {}

void TRadioGroup::SetItem(int index, const std::string& text) {
  std::string& item = items_.at(static_cast<size_t>(index));
  if (item == text) return;
  item = text;
  Changed();
}

void TRadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) throw std::out_of_range("List index out of bounds");
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Changed();
  if (OnClick) OnClick(this);
}

void TRadioGroup::userSelect(int index) {
  Form()->userFocus(this);
  App().userEvent([this, index] { SetItemIndex(index); });
}
