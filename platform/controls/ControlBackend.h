#pragma once

#include <cstdint>

class TControl;
class TForm;

struct TRect {
  int left = 0, top = 0, width = 0, height = 0;
};

// What draws the toolkit-neutral controls: Qt Widgets, Win32, or nothing (headless). The
// controls hold all state; a backend mirrors it on screen and turns the user's input into calls
// of the controls' user* methods.
class ControlBackend {
public:
  virtual ~ControlBackend() = default;

  // The form and its controls exist; make their native windows, hidden.
  virtual void formCreated(TForm& form) = 0;
  // A control's state was changed from code; mirror it (the backend may batch this).
  virtual void controlChanged(TControl& control) = 0;
  // Show the form and bring it to the front, focusing form.ActiveControl().
  virtual void showForm(TForm& form) = 0;
  virtual void hideForm(TForm& form) = 0;
  // The form's outer rectangle (frame included) on the desktop, and a move of it.
  virtual TRect outerRect(const TForm& form) = 0;
  virtual void moveForm(TForm& form, int left, int top) = 0;
  virtual std::uintptr_t nativeHandle(const TForm& form) = 0;
  // Runs until quit(); answers at once on a backend without an event loop.
  virtual void runMessageLoop() = 0;
  virtual void quit() = 0;
};
