#include "Win32ProgressDisplay.h"

#include <commctrl.h>

#include <algorithm>

namespace {

const char* const kClass = "MolvaneProgress";
const int kCancelId = 2;  // IDCANCEL: Escape presses it too
const int kClientWidth = 320;
const int kClientHeight = 104;
// The bar counts in KiB so that a library of any size fits its int range.
int kib(std::uint64_t bytes) { return static_cast<int>(std::min<std::uint64_t>(bytes / 1024, 0x7FFFFFFF)); }

}  // namespace

Win32ProgressDisplay::Win32ProgressDisplay(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  WNDCLASSEXA cls{};
  if (!GetClassInfoExA(instance_, kClass, &cls)) {
    cls = {};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = windowProc;
    cls.hInstance = instance_;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kClass;
    RegisterClassExA(&cls);
  }
}

Win32ProgressDisplay::~Win32ProgressDisplay() { end(); }

void Win32ProgressDisplay::begin(const std::string& title, std::uint64_t totalBytes) {
  end();
  total_ = totalBytes;
  cancelled_ = false;
  started_ = GetTickCount64();
  owner_ = GetActiveWindow();
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  RECT r{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
  window_ = CreateWindowExA(WS_EX_DLGMODALFRAME, kClass, title.c_str(), style, CW_USEDEFAULT,
                            CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, owner_, nullptr,
                            instance_, this);
  auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  text_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX |
                          SS_PATHELLIPSIS, 12, 12, 296, 16, window_, nullptr, instance_, nullptr);
  bar_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 12, 36, 296, 16, window_,
                         nullptr, instance_, nullptr);
  cancel_ = CreateWindowExA(0, "BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                            233, 68, 75, 25, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCancelId)), instance_,
                            nullptr);
  for (HWND w : {text_, cancel_}) SendMessageA(w, WM_SETFONT, font, FALSE);
  SendMessageA(bar_, PBM_SETRANGE32, 0, std::max(1, kib(totalBytes)));
}

void Win32ProgressDisplay::show() {
  // Centred over the window the work was started from, or the desktop.
  RECT over;
  if (!owner_ || !GetWindowRect(owner_, &over)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &over, 0);
  RECT mine;
  GetWindowRect(window_, &mine);
  const int width = mine.right - mine.left;
  const int height = mine.bottom - mine.top;
  SetWindowPos(window_, nullptr, std::max(0L, over.left + (over.right - over.left - width) / 2),
               std::max(0L, over.top + (over.bottom - over.top - height) / 2), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  // Modal: every other window of the program waits until the work ends.
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM self) -> BOOL {
        auto* display = reinterpret_cast<Win32ProgressDisplay*>(self);
        if (w != display->window_ && IsWindowVisible(w) && IsWindowEnabled(w)) {
          display->disabled_.push_back(w);
          EnableWindow(w, FALSE);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(this));
  ShowWindow(window_, SW_SHOW);
  SetFocus(cancel_);
}

bool Win32ProgressDisplay::update(const std::string& file, std::uint64_t doneBytes) {
  if (!window_) return !cancelled_;
  SetWindowTextA(text_, ("Copying " + file).c_str());
  SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(kib(std::min(doneBytes, total_))), 0);
  if (!IsWindowVisible(window_) && GetTickCount64() - started_ >= 500) show();
  // Lets the window draw itself and the "Cancel" button be pressed.
  MSG message;
  while (window_ && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Handed back to the message loop, which ends the program once the work is done.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (IsDialogMessageA(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return !cancelled_;
}

void Win32ProgressDisplay::end() {
  for (HWND w : disabled_) EnableWindow(w, TRUE);
  disabled_.clear();
  if (window_) {
    HWND w = window_;
    window_ = nullptr;
    DestroyWindow(w);
  }
  if (owner_ && IsWindow(owner_)) SetActiveWindow(owner_);
  owner_ = nullptr;
}

LRESULT CALLBACK Win32ProgressDisplay::windowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32ProgressDisplay*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self) {
    if ((message == WM_COMMAND && LOWORD(wParam) == kCancelId) || message == WM_CLOSE) {
      self->cancelled_ = true;
      EnableWindow(self->cancel_, FALSE);
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
