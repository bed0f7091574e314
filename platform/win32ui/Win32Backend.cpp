#include "Win32Backend.h"

#include <commctrl.h>
#undef VK_RETURN
#undef VK_ESCAPE
#undef VK_SPACE

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "EmbeddedResources.h"
#include "controls/TApplication.h"
#include "controls/TButton.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TEdit.h"
#include "controls/TForm.h"
#include "controls/TGroupBox.h"
#include "controls/TImage.h"
#include "controls/TLabel.h"
#include "controls/TRadioGroup.h"
#include "controls/TSpeedButton.h"

struct Win32Backend::Peer {
  TControl* control = nullptr;
  HWND window = nullptr;
  std::vector<HWND> radios;  // a radio group's buttons, one per item
  HBITMAP bitmap = nullptr;  // a speed button's glyph, an image's picture
  SIZE bitmapSize{0, 0};
  COLORREF transparent = 0;  // the glyph's bottom-left pixel
  bool hot = false;          // the pointer is over the speed button
  bool pressed = false;      // a speed button held down by the mouse
  bool tracking = false;     // waiting for the pointer to leave
  bool radioFocusing = false;
};

struct Win32Backend::FormPeer {
  Win32Backend* backend = nullptr;
  TForm* form = nullptr;
  HWND window = nullptr;
  bool placed = false;
};

namespace {

const char* const kFormClass = "MolvaneForm";
const UINT_PTR kSubclassId = 1;
// The tick box column of the file list: a click left of this toggles the item.
const int kTickColumn = 15;
// Colours of the skin: text, the accent that marks a selection, and the flat button states.
const COLORREF kText = RGB(0x1E, 0x1D, 0x26);
const COLORREF kAccent = RGB(0x4A, 0x51, 0xA6);
const COLORREF kHotFace = RGB(0xF1, 0xF0, 0xF8);
const COLORREF kHotBorder = RGB(0x9A, 0x9E, 0xCF);
const COLORREF kPressedFace = RGB(0xD6, 0xD3, 0xEA);
const COLORREF kLockedSelected = RGB(0xC8, 0xC9, 0xE4);

std::string windowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(std::max(0, length)) + 1, '\0');
  const int got = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(0, got)));
  return text;
}

void setText(HWND window, const std::string& text) {
  if (windowText(window) != text) SetWindowTextA(window, text.c_str());
}

// A bitmap resource (a .bmp file's bytes) as a device-dependent bitmap.
HBITMAP loadBitmap(const std::string& name, SIZE& size) {
  const std::string_view bytes = embeddedResource(name);
  if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPFILEHEADER file;
  std::memcpy(&file, bytes.data(), sizeof file);
  if (file.bfType != 0x4D42 || file.bfOffBits >= bytes.size()) return nullptr;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof file);
  size.cx = info->bmiHeader.biWidth;
  size.cy = std::abs(info->bmiHeader.biHeight);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bytes.data() + file.bfOffBits,
                                  info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// The image of one size out of the icon file carried in the program, for a build without the
// icon resource (the tests).
HICON iconFromFile(int size) {
  const std::string_view ico = embeddedResource("MAINICON.ico");
  if (ico.size() < 6) return nullptr;
  const auto* bytes = reinterpret_cast<const BYTE*>(ico.data());
  const int count = bytes[4] | bytes[5] << 8;
  for (int i = 0; i < count; ++i) {
    const size_t at = 6 + 16 * static_cast<size_t>(i);
    if (at + 16 > ico.size()) break;
    const int width = bytes[at] ? bytes[at] : 256;
    const DWORD length = bytes[at + 8] | bytes[at + 9] << 8 | bytes[at + 10] << 16 |
                         static_cast<DWORD>(bytes[at + 11]) << 24;
    const DWORD offset = bytes[at + 12] | bytes[at + 13] << 8 | bytes[at + 14] << 16 |
                         static_cast<DWORD>(bytes[at + 15]) << 24;
    if (width != size || offset + length > ico.size()) continue;
    return CreateIconFromResourceEx(const_cast<BYTE*>(bytes + offset), length, TRUE, 0x00030000,
                                    size, size, LR_DEFAULTCOLOR);
  }
  return nullptr;
}

HICON resourceIcon(HINSTANCE instance, int metric) {
  const int size = GetSystemMetrics(metric);
  return static_cast<HICON>(
      LoadImageA(instance, "MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR | LR_SHARED));
}

int CALLBACK faceFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool faceInstalled(const std::string& face) {
  LOGFONTA font{};
  font.lfCharSet = DEFAULT_CHARSET;
  if (face.size() >= LF_FACESIZE) return false;
  std::memcpy(font.lfFaceName, face.c_str(), face.size() + 1);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExA(screen, &font, faceFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

TShiftState shiftState() {
  TShiftState s = 0;
  if (GetKeyState(0x10) < 0) s |= ssShift;  // VK_SHIFT
  if (GetKeyState(0x12) < 0) s |= ssAlt;    // VK_MENU
  if (GetKeyState(0x11) < 0) s |= ssCtrl;   // VK_CONTROL
  return s;
}

bool isGroup(const TControl& control) {
  return control.Kind() == "TGroupBox" || control.Kind() == "TRadioGroup";
}


class Guard {
public:
  explicit Guard(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~Guard() { flag_ = was_; }

private:
  bool& flag_;
  bool was_;
};

}  // namespace

Win32Backend::Win32Backend(HINSTANCE instance)
    : instance_(instance),
      face_(CreateSolidBrush(kFace)),
      icon_(resourceIcon(instance, SM_CXICON)),
      smallIcon_(resourceIcon(instance, SM_CXSMICON)) {
  if (!icon_) {
    ownIcons_ = true;
    icon_ = iconFromFile(GetSystemMetrics(SM_CXICON));
    smallIcon_ = iconFromFile(GetSystemMetrics(SM_CXSMICON));
  }
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXA cls{};
  if (!GetClassInfoExA(instance_, kFormClass, &cls)) {
    cls = {};
    cls.cbSize = sizeof cls;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = formProc;
    cls.hInstance = instance_;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    // No class brush: each backend paints the face with its own brush (WM_ERASEBKGND).
    cls.lpszClassName = kFormClass;
    RegisterClassExA(&cls);
  }
}

Win32Backend::~Win32Backend() {
  // The forms may be gone already: cut the windows loose from them before destroying.
  for (auto& [window, peer] : byWindow_) RemoveWindowSubclass(window, childProc, kSubclassId);
  for (auto& [form, peer] : forms_) {
    SetWindowLongPtrA(peer->window, GWLP_USERDATA, 0);
    DestroyWindow(peer->window);
  }
  for (auto& [key, font] : fonts_) DeleteObject(font);
  for (HBITMAP bitmap : bitmaps_) DeleteObject(bitmap);
  DeleteObject(face_);
  // Icons from the resources are shared and stay; those made from the file are ours.
  if (ownIcons_) {
    if (icon_) DestroyIcon(icon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
  }
}

HFONT Win32Backend::resolveFont(const LayoutFont& font) {
  const std::string key = font.face + "|" + std::to_string(font.height) + (font.bold ? "|b" : "");
  if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
  // The layout's face where installed, else the first installed face of close metrics.
  std::string face = font.face;
  if (!faceInstalled(face)) {
    for (const std::string& fallback : font.fallbacks) {
      if (faceInstalled(fallback)) {
        face = fallback;
        break;
      }
    }
  }
  // A negative height asks for the character height, the cell less its internal leading.
  HFONT made = CreateFontA(-font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  fonts_[key] = made;
  return made;
}

HFONT Win32Backend::fontFor(const TForm& form, const std::string& name) {
  const Layout& layout = form.WindowLayout();
  const LayoutFont* font = layout.findFont(name.empty() ? layout.font : name);
  if (!font) font = layout.findFont(layout.font);
  return font ? resolveFont(*font) : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

Win32Backend::Peer* Win32Backend::peerOf(HWND window) const {
  auto it = byWindow_.find(window);
  return it == byWindow_.end() ? nullptr : it->second;
}

Win32Backend::FormPeer* Win32Backend::formPeerOf(const TForm& form) const {
  auto it = forms_.find(&form);
  return it == forms_.end() ? nullptr : it->second.get();
}

HWND Win32Backend::windowOf(const TControl& control) const {
  if (const TForm* form = dynamic_cast<const TForm*>(&control); form && form == control.Form())
    if (FormPeer* fp = formPeerOf(*form)) return fp->window;
  auto it = peers_.find(&control);
  return it == peers_.end() ? nullptr : it->second->window;
}

HWND Win32Backend::radioButton(const TRadioGroup& group, int index) const {
  auto it = peers_.find(&group);
  if (it == peers_.end() || index < 0 || index >= static_cast<int>(it->second->radios.size()))
    return nullptr;
  return it->second->radios[static_cast<size_t>(index)];
}

TControl* Win32Backend::controlOf(HWND window) const {
  if (Peer* p = peerOf(window)) return p->control;
  for (const auto& [form, fp] : forms_)
    if (fp->window == window) return fp->form;
  return nullptr;
}

void Win32Backend::formCreated(TForm& form) {
  const Layout& layout = form.WindowLayout();
  auto owned = std::make_unique<FormPeer>();
  FormPeer& fp = *owned;
  fp.backend = this;
  fp.form = &form;
  forms_[&form] = std::move(owned);

  const bool sizeable = layout.prop("border") == "sizeable";
  const DWORD style = sizeable ? WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN
                               : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                     WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_CONTROLPARENT;
  int width = layout.outerWidth;
  int height = layout.outerHeight;
  if (layout.clientWidth) {
    RECT r{0, 0, layout.clientWidth, layout.clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    width = r.right - r.left;
    height = r.bottom - r.top;
  }
  // Every window but the main one belongs to it: it stays above it and has no task-bar button.
  HWND owner = nullptr;
  if (TForm* main = form.Application().MainForm(); main && main != &form)
    if (FormPeer* mp = formPeerOf(*main)) owner = mp->window;
  fp.window = CreateWindowExA(exStyle, kFormClass, form.Caption().c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, width, height, owner, nullptr, instance_, &fp);
  // Without a window there is nothing to run (under Wine: no display to put it on).
  if (!fp.window)
    throw std::runtime_error("Cannot create the window \"" + form.Caption() + "\" (system error " +
                             std::to_string(GetLastError()) + ")");
  if (icon_) SendMessageA(fp.window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  if (smallIcon_)
    SendMessageA(fp.window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

  // Child windows are created in tab order, as the dialog manager walks them; the labels, the
  // picture and the picture buttons come last, so every other control lies above them.
  std::vector<TControl*> order;
  for (const auto& c : form.Controls()) order.push_back(c.get());
  auto rank = [](TControl* c) { return c->CanFocus() ? c->TabOrder() : 1000; };
  std::stable_sort(order.begin(), order.end(),
                   [&](TControl* a, TControl* b) { return rank(a) < rank(b); });
  // Parents before their children: a group's controls follow once the group exists.
  std::vector<TControl*> pending = order;
  while (!pending.empty()) {
    std::vector<TControl*> later;
    for (TControl* c : pending) {
      HWND parent = c->Parent() == &form ? fp.window : windowOf(*c->Parent());
      if (parent) {
        build(fp, *c, parent);
      } else {
        later.push_back(c);
      }
    }
    if (later.size() == pending.size()) break;  // a parent that is no window: nothing to hang on
    pending.swap(later);
  }
  sync(form);
}

void Win32Backend::build(FormPeer& fp, TControl& control, HWND parent) {
  TForm& form = *fp.form;
  const std::string& kind = control.Kind();
  auto owned = std::make_unique<Peer>();
  Peer& peer = *owned;
  peer.control = &control;

  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  DWORD exStyle = 0;
  const char* cls = "STATIC";
  std::string text = control.Caption();
  bool subclass = false;
  if (kind == "TLabel") {
    style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
  } else if (kind == "TButton") {
    cls = "BUTTON";
    style |= BS_PUSHBUTTON;
  } else if (kind == "TSpeedButton") {
    cls = "BUTTON";
    style |= BS_OWNERDRAW;
    text.clear();
    peer.bitmap = loadBitmap(static_cast<TSpeedButton&>(control).Glyph(), peer.bitmapSize);
    subclass = true;
  } else if (kind == "TImage") {
    style |= SS_OWNERDRAW;
    peer.bitmap = loadBitmap(static_cast<TImage&>(control).Picture(), peer.bitmapSize);
  } else if (kind == "TCheckListBox") {
    cls = "LISTBOX";
    style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    exStyle |= WS_EX_CLIENTEDGE;
    subclass = true;
  } else if (kind == "TRadioGroup" || kind == "TGroupBox") {
    cls = "BUTTON";
    style |= BS_GROUPBOX;
    // The dialog manager walks into the group for its tab stops.
    exStyle |= WS_EX_CONTROLPARENT;
    subclass = true;
  } else if (kind == "TCheckBox") {
    cls = "BUTTON";
    style |= BS_CHECKBOX;
  } else if (kind == "TEdit") {
    cls = "EDIT";
    style |= ES_AUTOHSCROLL;
    exStyle |= WS_EX_CLIENTEDGE;
    subclass = true;
  }
  if (control.CanFocus() && !isGroup(control)) style |= WS_TABSTOP;
  if (peer.bitmap) {
    bitmaps_.push_back(peer.bitmap);
    // Speed buttons take the colour of the glyph's bottom-left pixel as transparent.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, peer.bitmap);
    peer.transparent = GetPixel(memory, 0, peer.bitmapSize.cy - 1);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }

  peer.window = CreateWindowExA(exStyle, cls, text.c_str(), style, control.Left(), control.Top(),
                                control.Width(), control.Height(), parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId_++)), instance_,
                                nullptr);
  HFONT font = fontFor(form, control.FontName());
  SendMessageA(peer.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  byWindow_[peer.window] = &peer;
  if (subclass) SetWindowSubclass(peer.window, childProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));

  if (kind == "TCheckListBox") {
    const int rowHeight = std::stoi(control.Definition().prop("itemheight", "13"));
    SendMessageA(peer.window, LB_SETITEMHEIGHT, 0, rowHeight);
  } else if (kind == "TRadioGroup") {
    auto& group = static_cast<TRadioGroup&>(control);
    for (int i = 0; i < group.Count(); ++i) {
      const TRect r = group.RowRect(i);
      const RECT row = {r.left, r.top, r.left + r.width, r.top + r.height};
      // Not automatic: the control decides which button shows the dot.
      DWORD radioStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_RADIOBUTTON;
      if (i == 0) radioStyle |= WS_GROUP;
      HWND radio = CreateWindowExA(0, "BUTTON", group.Item(i).c_str(), radioStyle, row.left, row.top,
                                   row.right - row.left, row.bottom - row.top, peer.window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId_++)),
                                   instance_, nullptr);
      SendMessageA(radio, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      SetWindowSubclass(radio, childProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
      peer.radios.push_back(radio);
      byWindow_[radio] = &peer;
    }
  }
  peers_[&control] = std::move(owned);
  sync(control);
}

void Win32Backend::sync(TControl& control) {
  if (&control == control.Form()) {
    if (FormPeer* fp = formPeerOf(static_cast<TForm&>(control))) setText(fp->window, control.Caption());
    return;
  }
  auto it = peers_.find(&control);
  if (it == peers_.end()) return;
  Peer& peer = *it->second;
  HWND w = peer.window;
  Guard guard(syncing_);
  const std::string& kind = control.Kind();

  RECT at;
  GetWindowRect(w, &at);
  MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&at), 2);
  if (at.left != control.Left() || at.top != control.Top())
    SetWindowPos(w, nullptr, control.Left(), control.Top(), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  if (kind == "TLabel") {
    setText(w, control.Caption());
    // Labels size themselves to their text: a face wider than the designed one never clips.
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(w, WM_GETFONT, 0, 0)));
    SIZE extent{0, 0};
    const std::string& caption = control.Caption();
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    SetWindowPos(w, nullptr, 0, 0, std::max(control.Width(), static_cast<int>(extent.cx) + 1),
                 control.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (kind == "TButton" || kind == "TGroupBox") {
    setText(w, control.Caption());
  } else if (kind == "TCheckBox") {
    setText(w, control.Caption());
    SendMessageA(w, BM_SETCHECK, static_cast<TCheckBox&>(control).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  } else if (kind == "TEdit") {
    setText(w, control.Caption());
  } else if (kind == "TRadioGroup") {
    auto& group = static_cast<TRadioGroup&>(control);
    setText(w, control.Caption());
    const int selected = group.ItemIndex();
    for (size_t i = 0; i < peer.radios.size(); ++i) {
      HWND radio = peer.radios[i];
      const int index = static_cast<int>(i);
      if (index < group.Count()) setText(radio, group.Item(index));
      SendMessageA(radio, BM_SETCHECK, index == selected ? BST_CHECKED : BST_UNCHECKED, 0);
      // Tab lands on the selected button, or on the first while none is selected.
      const bool stop = index == std::max(0, selected);
      LONG_PTR s = GetWindowLongPtrA(radio, GWL_STYLE);
      const LONG_PTR wanted = stop ? (s | WS_TABSTOP) : (s & ~static_cast<LONG_PTR>(WS_TABSTOP));
      if (wanted != s) SetWindowLongPtrA(radio, GWL_STYLE, wanted);
    }
  } else if (kind == "TCheckListBox") {
    auto& list = static_cast<TCheckListBox&>(control);
    const auto& items = list.Items();
    bool same = SendMessageA(w, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(items.size());
    for (size_t i = 0; same && i < items.size(); ++i) {
      const LRESULT length = SendMessageA(w, LB_GETTEXTLEN, i, 0);
      std::string shown(static_cast<size_t>(std::max<LRESULT>(0, length)) + 1, '\0');
      SendMessageA(w, LB_GETTEXT, i, reinterpret_cast<LPARAM>(shown.data()));
      shown.resize(static_cast<size_t>(std::max<LRESULT>(0, length)));
      same = shown == items[i].text;
    }
    if (!same) {
      SendMessageA(w, WM_SETREDRAW, FALSE, 0);
      SendMessageA(w, LB_RESETCONTENT, 0, 0);
      for (const auto& e : items) SendMessageA(w, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.text.c_str()));
      SendMessageA(w, WM_SETREDRAW, TRUE, 0);
    }
    if (SendMessageA(w, LB_GETCURSEL, 0, 0) != list.ItemIndex())
      SendMessageA(w, LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
    InvalidateRect(w, nullptr, TRUE);
  } else if (kind == "TImage" || kind == "TSpeedButton") {
    InvalidateRect(w, nullptr, FALSE);
  }
}

void Win32Backend::controlChanged(TControl& control) { sync(control); }

void Win32Backend::focusControl(TControl& control) {
  HWND target = windowOf(control);
  if (control.Kind() == "TRadioGroup") {
    auto& group = static_cast<TRadioGroup&>(control);
    target = radioButton(group, std::max(0, group.ItemIndex()));
  }
  if (target) SetFocus(target);
}

void Win32Backend::showForm(TForm& form) {
  FormPeer* fp = formPeerOf(form);
  if (!fp) return;
  HWND w = fp->window;
  if (!fp->placed) {
    fp->placed = true;
    if (form.WindowLayout().prop("position") == "desktopcenter") {
      // The desktop across all monitors.
      const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
      const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
      const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
      const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
      RECT r;
      GetWindowRect(w, &r);
      SetWindowPos(w, nullptr, left + (width - (r.right - r.left)) / 2,
                   top + (height - (r.bottom - r.top)) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  ShowWindow(w, SW_SHOW);
  SetForegroundWindow(w);
  BringWindowToTop(w);
  if (TControl* focus = form.ActiveControl()) focusControl(*focus);
}

void Win32Backend::hideForm(TForm& form) {
  FormPeer* fp = formPeerOf(form);
  if (!fp) return;
  // The form reopens with the control that had the focus when it was hidden.
  noteFocus();
  ShowWindow(fp->window, SW_HIDE);
}

TRect Win32Backend::outerRect(const TForm& form) {
  FormPeer* fp = formPeerOf(form);
  if (!fp) return {};
  RECT r;
  GetWindowRect(fp->window, &r);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32Backend::moveForm(TForm& form, int left, int top) {
  if (FormPeer* fp = formPeerOf(form))
    SetWindowPos(fp->window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::uintptr_t Win32Backend::nativeHandle(const TForm& form) {
  FormPeer* fp = formPeerOf(form);
  return fp ? reinterpret_cast<std::uintptr_t>(fp->window) : 0;
}

void Win32Backend::dispatch(MSG& message) {
  if (message.hwnd) {
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    for (const auto& [form, fp] : forms_)
      if (fp->window == root && IsDialogMessageA(root, &message)) return;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

void Win32Backend::runMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    dispatch(message);
    noteFocus();
  }
}

void Win32Backend::quit() { PostQuitMessage(0); }

void Win32Backend::noteFocus() {
  TControl* c = controlOf(GetFocus());
  if (c && c != c->Form() && c->Form()->ActiveControl() != c) c->Form()->userFocus(c);
}

LRESULT CALLBACK Win32Backend::formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* fp = reinterpret_cast<FormPeer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!fp || !fp->window) return DefWindowProcA(window, message, wParam, lParam);
  return fp->backend->formMessage(*fp, window, message, wParam, lParam);
}

LRESULT Win32Backend::formMessage(FormPeer& fp, HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(window, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, face_);
      return 1;
    }
    case WM_COMMAND:
      // Enter and Escape reach the window as IDOK and IDCANCEL, from no control: the window has
      // no default or cancel button, so they do nothing.
      if (lParam) command(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
      return 0;
    case WM_DRAWITEM:
      drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (m->CtlType == ODT_LISTBOX) m->itemHeight = 13;
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return controlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        TControl* c = controlOf(reinterpret_cast<HWND>(wParam));
        if (c && c->Cursor() == TCursor::crHandPoint) {
          SetCursor(LoadCursor(nullptr, IDC_HAND));
          return TRUE;
        }
      }
      break;
    case WM_CLOSE:
      // The form decides: the main window ends the program, any other only hides.
      fp.form->userClose();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        noteFocus();
      } else if (TControl* focus = fp.form->ActiveControl(); focus && !HIWORD(wParam)) {
        focusControl(*focus);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void Win32Backend::command(HWND child, UINT code) {
  Peer* peer = peerOf(child);
  if (!peer) return;
  TControl& c = *peer->control;
  const std::string& kind = c.Kind();
  if (kind == "TButton" && code == BN_CLICKED) {
    static_cast<TButton&>(c).userClick();
  } else if (kind == "TCheckBox" && code == BN_CLICKED) {
    static_cast<TCheckBox&>(c).userClick();
    sync(c);
  } else if (kind == "TRadioGroup" && code == BN_CLICKED && child != peer->window &&
             !peer->radioFocusing) {
    const auto at = std::find(peer->radios.begin(), peer->radios.end(), child);
    static_cast<TRadioGroup&>(c).userSelect(static_cast<int>(at - peer->radios.begin()));
    // The handler may have moved the selection elsewhere; show what the control holds.
    sync(c);
  } else if (kind == "TEdit" && code == EN_CHANGE && !syncing_) {
    static_cast<TEdit&>(c).userSetText(windowText(child));
  } else if (kind == "TCheckListBox" && code == LBN_SELCHANGE) {
    const auto index = static_cast<int>(SendMessageA(child, LB_GETCURSEL, 0, 0));
    if (index >= 0) static_cast<TCheckListBox&>(c).userSelect(index);
  }
}

LRESULT Win32Backend::controlColour(HDC dc, HWND child) {
  COLORREF text = kText;
  if (Peer* peer = peerOf(child)) {
    const Layout& layout = peer->control->Form()->WindowLayout();
    if (const LayoutFont* f = layout.findFont(peer->control->FontName()); f && f->red >= 0)
      text = RGB(f->red, f->green, f->blue);
  }
  SetTextColor(dc, text);
  SetBkColor(dc, kFace);
  return reinterpret_cast<LRESULT>(face_);
}

void Win32Backend::drawItem(const DRAWITEMSTRUCT& item) {
  Peer* peer = peerOf(item.hwndItem);
  if (!peer) return;
  const std::string& kind = peer->control->Kind();
  if (kind == "TCheckListBox") {
    drawListItem(*peer, item);
  } else if (kind == "TSpeedButton") {
    drawSpeedButton(*peer, item);
  } else if (kind == "TImage") {
    // Opaque and unscaled from the top-left corner; what does not fit is cut off.
    RECT r = item.rcItem;
    FillRect(item.hDC, &r, face_);
    if (!peer->bitmap) return;
    HDC memory = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(memory, peer->bitmap);
    BitBlt(item.hDC, 0, 0, std::min<LONG>(r.right, peer->bitmapSize.cx),
           std::min<LONG>(r.bottom, peer->bitmapSize.cy), memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
}

void Win32Backend::drawListItem(Peer& peer, const DRAWITEMSTRUCT& item) {
  auto& list = static_cast<TCheckListBox&>(*peer.control);
  const int index = static_cast<int>(item.itemID);
  if (item.itemID == static_cast<UINT>(-1) || index >= list.Count()) {
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
    return;
  }
  const auto& entry = list.Items()[static_cast<size_t>(index)];
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
  RECT box{r.left + 2, r.top + 1, r.left + 13, r.top + 12};
  UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
  if (entry.checked) state |= DFCS_CHECKED;
  if (!entry.enabled) state |= DFCS_INACTIVE;
  DrawFrameControl(dc, &box, DFC_BUTTON, state);

  RECT text = r;
  text.left += kTickColumn;
  const bool selected = item.itemState & ODS_SELECTED;
  if (selected) {
    HBRUSH accent = CreateSolidBrush(kAccent);
    FillRect(dc, &text, accent);
    DeleteObject(accent);
  }
  COLORREF colour = selected ? RGB(255, 255, 255) : kText;
  // A locked item reads as greyed, highlighted or not.
  if (!entry.enabled) colour = selected ? kLockedSelected : GetSysColor(COLOR_GRAYTEXT);
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0)));
  RECT inner = text;
  inner.left += 2;
  DrawTextA(dc, entry.text.c_str(), static_cast<int>(entry.text.size()), &inner,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SelectObject(dc, old);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &text);
}

void Win32Backend::drawSpeedButton(Peer& peer, const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  FillRect(dc, &r, face_);
  // Flat: a face and a frame only while the pointer is over it or it is held down.
  if (peer.pressed || peer.hot) {
    HBRUSH brush = CreateSolidBrush(peer.pressed ? kPressedFace : kHotFace);
    HPEN pen = CreatePen(PS_SOLID, 1, peer.pressed ? kAccent : kHotBorder);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    RoundRect(dc, r.left, r.top, r.right, r.bottom, 6, 6);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
  }
  if (!peer.bitmap) return;
  // Centred and unscaled; the halves of an overhang are rounded toward zero, so a 27-pixel
  // glyph in a 24-pixel button overhangs one pixel left and top, two right and bottom.
  const int x = ((r.right - r.left) - peer.bitmapSize.cx) / 2;
  const int y = ((r.bottom - r.top) - peer.bitmapSize.cy) / 2;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, peer.bitmap);
  TransparentBlt(dc, r.left + x, r.top + y, peer.bitmapSize.cx, peer.bitmapSize.cy, memory, 0, 0,
                 peer.bitmapSize.cx, peer.bitmapSize.cy, peer.transparent);
  SelectObject(memory, old);
  DeleteDC(memory);
}

LRESULT CALLBACK Win32Backend::childProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR data) {
  auto* backend = reinterpret_cast<Win32Backend*>(data);
  Peer* peer = backend->peerOf(window);
  if (!peer) return DefSubclassProc(window, message, wParam, lParam);
  return backend->childMessage(*peer, window, message, wParam, lParam);
}

LRESULT Win32Backend::childMessage(Peer& peer, HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
  TControl& c = *peer.control;
  const std::string& kind = c.Kind();

  if (isGroup(c) && window == peer.window) {
    switch (message) {
      // A group's controls tell the group; the form is the one that listens.
      case WM_COMMAND:
      case WM_DRAWITEM:
      case WM_MEASUREITEM:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
        return SendMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
      case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(window, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, face_);
        return 1;
      }
      default:
        return DefSubclassProc(window, message, wParam, lParam);
    }
  }

  if (kind == "TRadioGroup") {
    auto& group = static_cast<TRadioGroup&>(c);
    switch (message) {
      case WM_SETFOCUS: {
        // A radio button that gets the focus tells its parent it was clicked; only a real
        // click or key selects.
        Guard guard(peer.radioFocusing);
        return DefSubclassProc(window, message, wParam, lParam);
      }
      case WM_GETDLGCODE:
        return DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTARROWS;
      case WM_KEYDOWN:
        if (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_LEFT || wParam == VK_RIGHT) {
          const int count = static_cast<int>(peer.radios.size());
          const int at = static_cast<int>(
              std::find(peer.radios.begin(), peer.radios.end(), window) - peer.radios.begin());
          const int step = wParam == VK_UP || wParam == VK_LEFT ? count - 1 : 1;
          const int next = (at + step) % count;
          SetFocus(peer.radios[static_cast<size_t>(next)]);
          group.userSelect(next);
          sync(group);
          return 0;
        }
        break;
      default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
  }

  if (kind == "TCheckListBox") {
    auto& list = static_cast<TCheckListBox&>(c);
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        const LRESULT hit = SendMessageA(window, LB_ITEMFROMPOINT, 0, lParam);
        // A click on an item's tick box toggles it; anywhere else it only selects.
        if (HIWORD(hit) == 0 && static_cast<short>(LOWORD(lParam)) < kTickColumn)
          list.userToggle(LOWORD(hit));
        return result;
      }
      case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
          const auto index = static_cast<int>(SendMessageA(window, LB_GETCURSEL, 0, 0));
          if (index >= 0) list.userToggle(index);
          return 0;
        }
        break;
      case WM_CHAR:
        // The space bar toggles; it does not search the list.
        if (wParam == ' ') return 0;
        break;
      default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
  }

  if (kind == "TEdit") {
    auto& edit = static_cast<TEdit&>(c);
    switch (message) {
      case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(window, message, wParam, lParam);
        // Enter and Escape come to the box itself rather than to the window's navigation.
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
          code |= DLGC_WANTALLKEYS;
        return code;
      }
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        // The handler first; the key then does its editing. Enter and Escape edit nothing.
        edit.userKeyDown(static_cast<std::uint16_t>(wParam), shiftState());
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) return 0;
        break;
      case WM_CHAR:
        // A single-line box beeps at these.
        if (wParam == '\r' || wParam == '\n' || wParam == 0x1B) return 0;
        break;
      default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
  }

  if (kind == "TSpeedButton") {
    auto& button = static_cast<TSpeedButton&>(c);
    auto inside = [window](LPARAM at) {
      RECT r;
      GetClientRect(window, &r);
      POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
      return PtInRect(&r, p) != FALSE;
    };
    // The button tracks the mouse itself, so it never takes the keyboard focus.
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        SetCapture(window);
        peer.pressed = true;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
      case WM_MOUSEMOVE: {
        if (!peer.tracking) {
          TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
          peer.tracking = TrackMouseEvent(&track) != FALSE;
        }
        const bool pressed = GetCapture() == window && inside(lParam);
        if (!peer.hot || pressed != peer.pressed) {
          peer.hot = true;
          peer.pressed = pressed;
          InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
      }
      case WM_MOUSELEAVE:
        peer.tracking = false;
        peer.hot = false;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
      case WM_LBUTTONUP:
        if (GetCapture() == window) {
          const bool click = inside(lParam);
          ReleaseCapture();
          if (click) button.userClick();
        }
        return 0;
      case WM_CAPTURECHANGED:
        peer.pressed = false;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
      case BM_CLICK:
        button.userClick();
        return 0;
      default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}
