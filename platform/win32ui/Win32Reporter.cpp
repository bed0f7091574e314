#include "Win32Reporter.h"

#include <windows.h>

void Win32Reporter::showFailure(const std::string& text) {
  HWND owner = GetActiveWindow();
  // Without a window of ours in front (during start-up) the box still holds off the program's
  // other windows until it is answered.
  UINT style = MB_OK | MB_ICONSTOP;
  if (!owner) style |= MB_TASKMODAL;
  MessageBoxA(owner, text.c_str(), title_.c_str(), style);
}
