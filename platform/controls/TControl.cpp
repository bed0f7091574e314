#include "TControl.h"

#include "ControlBackend.h"
#include "TApplication.h"
#include "TForm.h"

TControl::TControl(TForm* form, TControl* parent, const LayoutControl& def)
    : form_(form),
      parent_(parent),
      def_(def),
      left_(def.left),
      top_(def.top),
      width_(def.width),
      height_(def.height),
      caption_(def.text) {}

TControl::~TControl() = default;

void TControl::SetTop(int top) {
  if (top == top_) return;
  top_ = top;
  Changed();
}

int TControl::WindowLeft() const {
  int x = left_;
  for (TControl* p = parent_; p && p != form_; p = p->parent_) x += p->left_;
  return x;
}

int TControl::WindowTop() const {
  int y = top_;
  for (TControl* p = parent_; p && p != form_; p = p->parent_) y += p->top_;
  return y;
}

void TControl::SetCaption(const std::string& text) {
  if (text == caption_) return;
  caption_ = text;
  Changed();
}

TCursor TControl::Cursor() const {
  return def_.cursor == "handpoint" ? TCursor::crHandPoint : TCursor::crDefault;
}

TApplication& TControl::App() const { return form_->Application(); }

void TControl::Changed() { App().Backend().controlChanged(*this); }
