#include "TButton.h"

#include "TApplication.h"

void TButton::userClick() {
  Form()->userFocus(this);
  App().userEvent([this] {
    if (OnClick) OnClick(this);
  });
}
