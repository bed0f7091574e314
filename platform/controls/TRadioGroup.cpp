#include "TRadioGroup.h"

#include <stdexcept>

#include "TApplication.h"
#include "TForm.h"

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

TRect TRadioGroup::RowRect(int index) const {
  // The caption line is the text height of the group's font: its character height plus the
  // two pixels of leading a face has at 96 dpi.
  const LayoutFont* font = Form()->WindowLayout().findFont(FontName());
  const int textHeight = font ? font->height + 2 : 13;
  const int usable = Height() - textHeight - 5;
  const int row = usable / Count();
  const int first = textHeight + 1 + (usable % Count()) / 2;
  return {8, first + row * index, Width() - 10, row};
}
