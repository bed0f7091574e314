#include "TEdit.h"

#include "TApplication.h"

void TEdit::userKeyDown(std::uint16_t key, TShiftState shift) {
  App().userEvent([this, key, shift] {
    std::uint16_t k = key;
    if (OnKeyDown) OnKeyDown(this, k, shift);
  });
}
