#include "TSpeedButton.h"

#include "TApplication.h"

void TSpeedButton::userClick() {
  App().userEvent([this] {
    if (OnClick) OnClick(this);
  });
}
