#pragma once

#include <map>

#include "controls/ControlBackend.h"

// Draws nothing: tests drive the windows' logic through the controls' user* methods. Windows
// have no frame, and the desktop has a fixed size.
class HeadlessBackend : public ControlBackend {
public:
  explicit HeadlessBackend(int desktopWidth = 1024, int desktopHeight = 768);

  void formCreated(TForm& form) override;
  void controlChanged(TControl& control) override;
  void showForm(TForm& form) override;
  void hideForm(TForm& form) override;
  TRect outerRect(const TForm& form) override;
  void moveForm(TForm& form, int left, int top) override;
  std::uintptr_t nativeHandle(const TForm& form) override;
  void runMessageLoop() override {}
  void quit() override { quitRequested = true; }

  // Counters for tests: how often state changed, how often a form came to the front.
  int changes = 0;
  std::map<const TForm*, int> timesShown;
  bool quitRequested = false;

private:
  std::map<const TForm*, TRect> rects_;
  int desktopWidth_, desktopHeight_;
};
