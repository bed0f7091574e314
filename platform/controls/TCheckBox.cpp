#include "TCheckBox.h"

#include "TApplication.h"

TCheckBox::TCheckBox(TForm* form, TControl* parent, const LayoutControl& def)
    : TControl(form, parent, def), checked_(def.prop("checked") == "1") {}

void TCheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed();
  if (OnClick) OnClick(this);
}

void TCheckBox::SetCheckedQuietly(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed();
}

void TCheckBox::userClick() {
  Form()->userFocus(this);
  App().userEvent([this] { SetChecked(!checked_); });
}
