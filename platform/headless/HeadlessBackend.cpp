#include "HeadlessBackend.h"

#include "controls/TForm.h"

HeadlessBackend::HeadlessBackend(int desktopWidth, int desktopHeight)
    : desktopWidth_(desktopWidth), desktopHeight_(desktopHeight) {}

void HeadlessBackend::formCreated(TForm& form) {
  TRect r{0, 0, form.Width(), form.Height()};
  if (form.WindowLayout().prop("position") == "desktopcenter") {
    r.left = (desktopWidth_ - r.width) / 2;
    r.top = (desktopHeight_ - r.height) / 2;
  }
  rects_[&form] = r;
}

void HeadlessBackend::controlChanged(TControl&) { ++changes; }

void HeadlessBackend::showForm(TForm& form) { ++timesShown[&form]; }

void HeadlessBackend::hideForm(TForm&) {}

TRect HeadlessBackend::outerRect(const TForm& form) { return rects_[&form]; }

void HeadlessBackend::moveForm(TForm& form, int left, int top) {
  rects_[&form].left = left;
  rects_[&form].top = top;
}

std::uintptr_t HeadlessBackend::nativeHandle(const TForm& form) {
  return reinterpret_cast<std::uintptr_t>(&form);
}
