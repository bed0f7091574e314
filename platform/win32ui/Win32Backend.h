#pragma once

#include <windows.h>
// windows.h makes these key codes macros; the controls declare constants of the same names and
// values, which the macros would break.
#undef VK_RETURN
#undef VK_ESCAPE
#undef VK_SPACE

#include <map>
#include <memory>
#include <vector>

#include "controls/ControlBackend.h"

class TForm;
class TControl;
class TRadioGroup;
struct LayoutFont;

// Draws the toolkit-neutral controls with real Win32 controls. Every control is a child window
// at the layout's pixel position; state flows from the controls to the windows at once, and the
// user's input, arriving as notifications, flows back through the controls' user* methods.
class Win32Backend : public ControlBackend {
public:
  explicit Win32Backend(HINSTANCE instance = GetModuleHandleA(nullptr));
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  void formCreated(TForm& form) override;
  void controlChanged(TControl& control) override;
  void showForm(TForm& form) override;
  void hideForm(TForm& form) override;
  TRect outerRect(const TForm& form) override;
  void moveForm(TForm& form, int left, int top) override;
  std::uintptr_t nativeHandle(const TForm& form) override;
  void runMessageLoop() override;
  void quit() override;

  // The window of a control (a radio group's group box), null for one without a window.
  HWND windowOf(const TControl& control) const;
  // The radio button of one item of a radio group.
  HWND radioButton(const TRadioGroup& group, int index) const;
  // The control a window belongs to (a radio button belongs to its group).
  TControl* controlOf(HWND window) const;
  // Hands one message to a form's keyboard navigation (Tab, arrows) or to its window, as the
  // message loop does.
  void dispatch(MSG& message);
  // Tells the form which of its controls now has the keyboard focus.
  void noteFocus();

  // The window background: the skin's button face.
  static constexpr COLORREF kFace = RGB(237, 233, 227);

private:
  struct Peer;
  struct FormPeer;

  static LRESULT CALLBACK formProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK childProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

  LRESULT formMessage(FormPeer& form, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT childMessage(Peer& peer, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void command(HWND child, UINT code);
  void drawItem(const DRAWITEMSTRUCT& item);
  void drawListItem(Peer& peer, const DRAWITEMSTRUCT& item);
  void drawSpeedButton(Peer& peer, const DRAWITEMSTRUCT& item);
  LRESULT controlColour(HDC dc, HWND child);

  void build(FormPeer& form, TControl& control, HWND parent);
  void sync(TControl& control);
  void focusControl(TControl& control);
  HFONT fontFor(const TForm& form, const std::string& name);
  HFONT resolveFont(const LayoutFont& font);
  Peer* peerOf(HWND window) const;
  FormPeer* formPeerOf(const TForm& form) const;

  HINSTANCE instance_;
  HBRUSH face_;
  HICON icon_;
  HICON smallIcon_;
  bool ownIcons_ = false;  // made from the icon file, not shared resources
  std::map<const TForm*, std::unique_ptr<FormPeer>> forms_;
  std::map<const TControl*, std::unique_ptr<Peer>> peers_;
  std::map<HWND, Peer*> byWindow_;
  std::map<std::string, HFONT> fonts_;
  std::vector<HBITMAP> bitmaps_;
  HWND focused_ = nullptr;
  int nextId_ = 100;
  bool syncing_ = false;
};
