#pragma once

#include <windows.h>

#include <vector>

#include "controls/ProgressDisplay.h"

// A small window with the file being copied, a progress bar and a "Cancel" button, shown once
// the work has run for half a second. The work runs on the window thread and keeps the window
// alive through update(); while it shows, the program's other windows take no input.
class Win32ProgressDisplay : public ProgressDisplay {
public:
  explicit Win32ProgressDisplay(HINSTANCE instance = GetModuleHandleA(nullptr));
  ~Win32ProgressDisplay() override;
  Win32ProgressDisplay(const Win32ProgressDisplay&) = delete;
  Win32ProgressDisplay& operator=(const Win32ProgressDisplay&) = delete;

  void begin(const std::string& title, std::uint64_t totalBytes) override;
  bool update(const std::string& file, std::uint64_t doneBytes) override;
  void end() override;

  // The window while it exists, for tests.
  HWND window() const { return window_; }

private:
  static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
  void show();

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND text_ = nullptr;
  HWND bar_ = nullptr;
  HWND cancel_ = nullptr;
  HWND owner_ = nullptr;
  std::vector<HWND> disabled_;
  ULONGLONG started_ = 0;
  std::uint64_t total_ = 0;
  bool cancelled_ = false;
};
