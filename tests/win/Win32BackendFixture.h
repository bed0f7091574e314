#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Fakes.h"
#include "win32ui/Win32Backend.h"
#include "controls/TApplication.h"
#include "controls/TButton.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TEdit.h"
#include "controls/TForm.h"
#include "controls/TImage.h"
#include "controls/TRadioGroup.h"
#include "controls/TSpeedButton.h"
#include "layout/Layout.h"

// Both windows built from the program's layouts on the Win32 backend, with no handlers of the
// program: each test sets the handlers it watches. Edit1's key-down handler records the keys.
class Win32BackendTest : public ::testing::Test {
protected:
  Win32BackendTest() {
    edit1().OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState) { keys.push_back(key); };
  }

  HWND window(const TForm& form) { return reinterpret_cast<HWND>(backend.nativeHandle(form)); }
  HWND hwnd(const std::string& name) { return backend.windowOf(*main.FindControl(name)); }
  HWND dialogHwnd(const std::string& name) { return backend.windowOf(*dialog.FindControl(name)); }
  TCheckListBox& list() { return *main.Control<TCheckListBox>("CheckListBox1"); }
  TEdit& edit1() { return *dialog.Control<TEdit>("Edit1"); }

  // A window's rectangle in the client coordinates of its top-level window.
  static RECT placeOf(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, GetAncestor(w, GA_ROOT), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  static std::string windowText(HWND w) {
    char text[256] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
  }

  // The items whose radio button shows the dot.
  std::vector<int> checkedRadios() {
    std::vector<int> on;
    auto* group = main.Control<TRadioGroup>("LibGroup");
    for (int i = 0; i < group->Count(); ++i)
      if (SendMessageA(backend.radioButton(*group, i), BM_GETCHECK, 0, 0) == BST_CHECKED) on.push_back(i);
    return on;
  }

  // A locked, ticked library file and two free files.
  void fillList() {
    list().Add("iTunes Library.itl");
    list().Add("Cover.jpg");
    list().Add("Ratings.txt");
    list().SetChecked(0, true);
    list().SetItemEnabled(0, false);
  }

  // A mouse click at x in the middle of a row of the file list.
  void clickList(int x, int item) {
    const LPARAM at = MAKELPARAM(x, item * 13 + 6);
    SendMessageA(hwnd("CheckListBox1"), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(hwnd("CheckListBox1"), WM_LBUTTONUP, 0, at);
  }

  static void key(HWND w, WPARAM virtualKey) { SendMessageA(w, WM_KEYDOWN, virtualKey, 1); }

  // Handles whatever the calls so far have queued, as the message loop would.
  void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) backend.dispatch(message);
  }

  Win32Backend backend;
  RecordingReporter reporter;
  TApplication app{backend, reporter};
  TForm& main = app.CreateForm<TForm>(windowLayout("Main"));
  TForm& dialog = app.CreateForm<TForm>(windowLayout("NewLibName"));
  std::vector<std::uint16_t> keys;
};
