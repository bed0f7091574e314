// The Win32 backend's own behaviour, driven in-process with window messages: geometry, tab
// order, the click rule of the radio group, locked list items, check boxes, the edit box's keys,
// the picture buttons, cursors and the windows' life.
#include "Win32BackendFixture.h"

#include <algorithm>

namespace {

TEST_F(Win32BackendTest, TheMainWindowHasTheClientAreaAndAFixedFrame) {
  RECT client;
  GetClientRect(window(main), &client);
  EXPECT_EQ(client.right, 356);
  EXPECT_EQ(client.bottom, 287);
  const LONG_PTR style = GetWindowLongPtrA(window(main), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the user cannot resize the main window";
  for (LONG_PTR part : {WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX})
    EXPECT_EQ(style & part, part);
  char caption[64] = {};
  GetWindowTextA(window(main), caption, sizeof caption);
  EXPECT_STREQ(caption, "Molvane v1.0");
}

TEST_F(Win32BackendTest, TheDialogHasItsOuterSizeAndASizeableFrameOwnedByTheMainWindow) {
  RECT outer;
  GetWindowRect(window(dialog), &outer);
  EXPECT_EQ(outer.right - outer.left, 303);
  EXPECT_EQ(outer.bottom - outer.top, 69);
  EXPECT_TRUE(GetWindowLongPtrA(window(dialog), GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(GetWindow(window(dialog), GW_OWNER), window(main));
  EXPECT_FALSE(IsWindowVisible(window(dialog))) << "created hidden";
}

TEST_F(Win32BackendTest, ControlsStandAtTheirLayoutPositionsInWindowCoordinates) {
  struct Case {
    const char* name;
    RECT at;  // left, top, right, bottom in the main window's client area
  } cases[] = {
      {"Button1", {16, 176, 97, 201}},         {"Button2", {214, 176, 343, 201}},
      {"SpeedButton1", {166, 176, 190, 200}},  {"SpeedButton2", {137, 176, 161, 200}},
      {"Image1", {176, 48, 193, 65}},          {"CheckListBox1", {16, 37, 169, 169}},
      {"LibGroup", {188, 32, 345, 171}},       {"GroupBox1", {16, 208, 345, 273}},
      {"CheckBox1", {32, 228, 329, 245}},      {"CheckBox2", {32, 248, 329, 265}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RECT r = placeOf(hwnd(c.name));
    EXPECT_EQ(r.left, c.at.left);
    EXPECT_EQ(r.top, c.at.top);
    EXPECT_EQ(r.right, c.at.right);
    EXPECT_EQ(r.bottom, c.at.bottom);
  }
}

TEST_F(Win32BackendTest, LabelsStandAtTheirPlaceAndAreNeverNarrowerThanDesigned) {
  struct Case {
    const char* name;
    int left, top, width;
  } cases[] = {{"Label1", 17, 16, 98}, {"Label2", 189, 16, 130}, {"Label3", 30, 206, 56}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RECT r = placeOf(hwnd(c.name));
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.top, c.top);
    EXPECT_GE(r.right - r.left, c.width);
  }
  // "Options" stands in the group's frame opening, inside the group, so its top two rows are cut.
  EXPECT_EQ(GetParent(hwnd("Label3")), hwnd("GroupBox1"));
}

TEST_F(Win32BackendTest, RadioButtonsFollowTheRowRule) {
  auto* group = main.Control<TRadioGroup>("LibGroup");
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    HWND radio = backend.radioButton(*group, i);
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(GetParent(radio), hwnd("LibGroup"));
    const RECT r = placeOf(radio);
    EXPECT_EQ(r.left, 196);
    EXPECT_EQ(r.top, 46 + 24 * i);
    EXPECT_EQ(r.right, 343);
    EXPECT_EQ(r.bottom, 70 + 24 * i);
    // Not automatic: only the control decides which button shows the dot.
    EXPECT_EQ(GetWindowLongPtrA(radio, GWL_STYLE) & BS_TYPEMASK, BS_RADIOBUTTON);
  }
}

TEST_F(Win32BackendTest, TheRadioGroupLiesAboveTheIndicatorSoItsFrameCutsTheLampOff) {
  bool groupFirst = false;
  for (HWND w = GetWindow(window(main), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == hwnd("LibGroup")) groupFirst = true;
    if (w == hwnd("Image1")) break;
  }
  EXPECT_TRUE(groupFirst) << "the group must come before the image in z-order";
  for (const char* name : {"Image1", "LibGroup"})
    EXPECT_TRUE(GetWindowLongPtrA(hwnd(name), GWL_STYLE) & WS_CLIPSIBLINGS) << name;
}

TEST_F(Win32BackendTest, TheIndicatorMovesWithItsControl) {
  for (int top : {72, 144, 48}) {
    main.Control<TImage>("Image1")->SetTop(top);
    const RECT r = placeOf(hwnd("Image1"));
    EXPECT_EQ(r.left, 176);
    EXPECT_EQ(r.top, top);
  }
}

TEST_F(Win32BackendTest, TabWalksTheStopsInLayoutOrderLandingOnTheSelectedRadioButton) {
  auto* group = main.Control<TRadioGroup>("LibGroup");
  for (int selected : {-1, 2}) {
    SCOPED_TRACE(selected);
    if (selected >= 0) group->SetItemIndex(selected);
    const std::vector<HWND> expected = {
        hwnd("Button1"), hwnd("CheckListBox1"), backend.radioButton(*group, std::max(0, selected)),
        hwnd("Button2"), hwnd("CheckBox1"),     hwnd("CheckBox2"),
    };
    HWND at = expected.front();
    for (size_t i = 1; i <= expected.size(); ++i) {
      at = GetNextDlgTabItem(window(main), at, FALSE);
      EXPECT_EQ(at, expected[i % expected.size()]) << "stop " << i;
    }
  }
  EXPECT_EQ(GetNextDlgTabItem(window(dialog), dialogHwnd("Edit1"), FALSE), dialogHwnd("Button1"));
  EXPECT_EQ(GetNextDlgTabItem(window(dialog), dialogHwnd("Button1"), FALSE), dialogHwnd("Edit1"));
}

// The click rule: a user's pick of another slot runs the handler once; a pick of the slot
// already selected runs nothing; what the buttons show is what the control holds.
TEST_F(Win32BackendTest, ClickingARadioButtonSelectsThroughTheControl) {
  auto* group = main.Control<TRadioGroup>("LibGroup");
  std::vector<int> seen;
  group->OnClick = [&](TObject*) { seen.push_back(group->ItemIndex()); };

  SendMessageA(backend.radioButton(*group, 1), BM_CLICK, 0, 0);
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_EQ(seen, std::vector<int>{1});
  EXPECT_EQ(checkedRadios(), std::vector<int>{1});

  SendMessageA(backend.radioButton(*group, 1), BM_CLICK, 0, 0);
  EXPECT_EQ(seen, std::vector<int>{1}) << "the selected slot clicked again runs nothing";

  // The notification alone, as a click arrives from the button.
  SendMessageA(window(main), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(backend.radioButton(*group, 3)), BN_CLICKED),
               reinterpret_cast<LPARAM>(backend.radioButton(*group, 3)));
  EXPECT_EQ(seen, (std::vector<int>{1, 3}));
  EXPECT_EQ(checkedRadios(), std::vector<int>{3});

  group->SetItemIndex(0);
  EXPECT_EQ(checkedRadios(), std::vector<int>{0}) << "a selection from code shows at once";
  EXPECT_EQ(seen, (std::vector<int>{1, 3, 0}));
}

TEST_F(Win32BackendTest, AHandlerThatMovesTheSelectionDecidesWhichButtonShowsTheDot) {
  auto* group = main.Control<TRadioGroup>("LibGroup");
  group->SetItemIndex(0);
  group->OnClick = [&](TObject*) {
    if (group->ItemIndex() == 4) group->SetItemIndex(2);
  };
  SendMessageA(backend.radioButton(*group, 4), BM_CLICK, 0, 0);
  EXPECT_EQ(group->ItemIndex(), 2);
  EXPECT_EQ(checkedRadios(), std::vector<int>{2});
}

TEST_F(Win32BackendTest, FocusArrivingOnARadioButtonSelectsNothingButArrowKeysDo) {
  auto* group = main.Control<TRadioGroup>("LibGroup");
  int runs = 0;
  group->OnClick = [&](TObject*) { ++runs; };
  backend.showForm(main);
  SetFocus(backend.radioButton(*group, 0));
  EXPECT_EQ(group->ItemIndex(), -1);
  EXPECT_EQ(runs, 0);

  key(backend.radioButton(*group, 0), VK_DOWN);
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_EQ(GetFocus(), backend.radioButton(*group, 1));
  key(backend.radioButton(*group, 1), VK_UP);
  key(backend.radioButton(*group, 0), VK_UP);
  EXPECT_EQ(group->ItemIndex(), 4) << "the arrows go round";
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(checkedRadios(), std::vector<int>{4});
}

TEST_F(Win32BackendTest, LockedItemsRefuseTheSpaceBarButCanBeSelected) {
  fillList();
  HWND list = hwnd("CheckListBox1");
  struct Case {
    int item;
    bool checkedAfter;
  } cases[] = {{0, true}, {1, true}, {1, false}, {2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(c.item), 0);
    key(list, VK_SPACE);
    EXPECT_EQ(this->list().Checked(c.item), c.checkedAfter);
  }
  // The locked item can still be picked and highlighted.
  clickList(60, 0);
  EXPECT_EQ(this->list().ItemIndex(), 0);
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(this->list().Checked(0));
}

TEST_F(Win32BackendTest, AClickOnTheTickBoxTogglesAndAClickOnTheTextOnlySelects) {
  fillList();
  clickList(6, 1);
  EXPECT_TRUE(list().Checked(1));
  EXPECT_EQ(list().ItemIndex(), 1);
  clickList(60, 2);
  EXPECT_FALSE(list().Checked(2)) << "the text is no tick box";
  EXPECT_EQ(list().ItemIndex(), 2);
  clickList(6, 0);
  EXPECT_TRUE(list().Checked(0)) << "a locked tick stays";
  EXPECT_EQ(list().ItemIndex(), 0);
}

TEST_F(Win32BackendTest, TheListFollowsItsControl) {
  fillList();
  HWND list = hwnd("CheckListBox1");
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 13);
  char text[64] = {};
  SendMessageA(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Ratings.txt");
  this->list().SetItemIndex(2);
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 2);
  this->list().Clear();
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(Win32BackendTest, CheckBoxesToggleThroughTheirControl) {
  auto* box = main.Control<TCheckBox>("CheckBox2");
  int runs = 0;
  box->OnClick = [&](TObject*) { ++runs; };
  EXPECT_EQ(SendMessageA(hwnd("CheckBox2"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(hwnd("CheckBox1"), BM_GETCHECK, 0, 0), BST_CHECKED) << "as the layout has it";
  EXPECT_EQ(GetWindowLongPtrA(hwnd("CheckBox2"), GWL_STYLE) & BS_TYPEMASK, BS_CHECKBOX);

  SendMessageA(hwnd("CheckBox2"), BM_CLICK, 0, 0);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(SendMessageA(hwnd("CheckBox2"), BM_GETCHECK, 0, 0), BST_CHECKED);

  box->SetCheckedQuietly(false);
  EXPECT_EQ(SendMessageA(hwnd("CheckBox2"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(runs, 1);
}

TEST_F(Win32BackendTest, PushButtonsRunTheirHandlerAndAFailureIsShown) {
  auto* button = main.Control<TButton>("Button2");
  button->OnClick = [](TObject*) { throw std::runtime_error("Failed to set data for 'Library Name'"); };
  SendMessageA(hwnd("Button2"), BM_CLICK, 0, 0);
  EXPECT_EQ(reporter.messages, std::vector<std::string>{"Failed to set data for 'Library Name'"});
  EXPECT_EQ(main.ActiveControl(), button);
}

TEST_F(Win32BackendTest, EnterAndEscapeInTheEditReachTheHandlerAndEditNothing) {
  backend.showForm(dialog);
  HWND edit = dialogHwnd("Edit1");
  SetWindowTextA(edit, "Party");
  // Through the message loop's keyboard navigation, where a window without a default button
  // would otherwise turn Enter into IDOK.
  for (std::uint16_t k : {VK_RETURN, VK_ESCAPE}) {
    MSG down{edit, WM_KEYDOWN, k, 1, 0, {0, 0}};
    backend.dispatch(down);
    pump();
  }
  EXPECT_EQ(keys, (std::vector<std::uint16_t>{VK_RETURN, VK_ESCAPE}));
  EXPECT_EQ(windowText(edit), "Party");
  EXPECT_TRUE(IsWindowVisible(window(dialog))) << "Escape does not close the dialog";
}

TEST_F(Win32BackendTest, TheHandlerSeesAKeyBeforeTheBoxEditsWithIt) {
  backend.showForm(dialog);
  HWND edit = dialogHwnd("Edit1");
  std::string textWhenPressed;
  edit1().OnKeyDown = [&](TObject*, std::uint16_t& k, TShiftState) {
    keys.push_back(k);
    textWhenPressed = windowText(edit);
  };
  SetFocus(edit);
  MSG down{edit, WM_KEYDOWN, 'B', 1, 0, {0, 0}};
  backend.dispatch(down);
  pump();
  EXPECT_EQ(keys, std::vector<std::uint16_t>{'B'});
  EXPECT_EQ(textWhenPressed, "");
  EXPECT_EQ(windowText(edit), "b");
  EXPECT_EQ(edit1().Text(), "b") << "the control follows the user's editing";
}

TEST_F(Win32BackendTest, TheEditShowsTextSetFromCode) {
  edit1().SetText("Lib 2");
  EXPECT_EQ(windowText(dialogHwnd("Edit1")), "Lib 2");
  edit1().Clear();
  EXPECT_EQ(windowText(dialogHwnd("Edit1")), "");
}

TEST_F(Win32BackendTest, TheDialogsCloseBoxOnlyHidesItAndKeepsTheText) {
  backend.showForm(dialog);
  dialog.Show();
  SetWindowTextA(dialogHwnd("Edit1"), "Half typed");
  SetFocus(dialogHwnd("Button1"));
  SendMessageA(window(dialog), WM_CLOSE, 0, 0);
  EXPECT_FALSE(dialog.Showing());
  EXPECT_FALSE(IsWindowVisible(window(dialog)));
  EXPECT_TRUE(IsWindow(window(dialog)));
  EXPECT_EQ(edit1().Text(), "Half typed");
  EXPECT_EQ(dialog.ActiveControl(), dialog.FindControl("Button1")) << "the focus is remembered";
  EXPECT_FALSE(app.Terminated());

  dialog.Show();
  EXPECT_TRUE(IsWindowVisible(window(dialog)));
  EXPECT_EQ(windowText(dialogHwnd("Edit1")), "Half typed");
  EXPECT_EQ(GetFocus(), dialogHwnd("Button1"));
}

TEST_F(Win32BackendTest, TheMainWindowsCloseBoxEndsTheMessageLoop) {
  pump();
  main.Show();
  SendMessageA(window(main), WM_CLOSE, 0, 0);
  EXPECT_TRUE(app.Terminated());
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  // The loop itself returns on it.
  PostQuitMessage(0);
  backend.runMessageLoop();
}

TEST_F(Win32BackendTest, PictureButtonsClickWithoutTakingTheFocus) {
  backend.showForm(main);
  int runs = 0;
  main.Control<TSpeedButton>("SpeedButton1")->OnClick = [&](TObject*) { ++runs; };
  HWND button = hwnd("SpeedButton1");
  SetFocus(hwnd("Button1"));

  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_EQ(runs, 1);
  // Pressed and released over it: a click; released elsewhere: none.
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
  EXPECT_EQ(runs, 2);
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(40, 6));
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(GetFocus(), hwnd("Button1"));
  EXPECT_FALSE(GetWindowLongPtrA(button, GWL_STYLE) & WS_TABSTOP);
}

TEST_F(Win32BackendTest, TheHandShowsOverTheButtonsOnly) {
  HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
  struct Case {
    const char* name;
    bool hand;
  } cases[] = {{"Button1", true},        {"Button2", true},   {"SpeedButton1", true},
               {"SpeedButton2", true},   {"CheckListBox1", false}, {"CheckBox1", false},
               {"Label1", false},        {"Image1", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    const LRESULT handled = SendMessageA(window(main), WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd(c.name)),
                                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(handled != 0 && GetCursor() == hand, c.hand);
  }
}

TEST_F(Win32BackendTest, FontsComeFromTheLayout) {
  struct Case {
    const char* name;
    LONG height;
    bool bold;
  } cases[] = {{"Label1", -13, true},   {"Label3", -13, true},  {"Button1", -11, false},
               {"CheckListBox1", -11, false}, {"CheckBox1", -11, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LOGFONTA font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageA(hwnd(c.name), WM_GETFONT, 0, 0));
    ASSERT_NE(handle, nullptr);
    ASSERT_NE(GetObjectA(handle, sizeof font, &font), 0);
    EXPECT_EQ(font.lfHeight, c.height) << "a character height, not a cell height";
    EXPECT_EQ(font.lfWeight >= FW_BOLD, c.bold);
  }
}

TEST_F(Win32BackendTest, HeadingsAreMaroonInsideTheGroupToo) {
  struct Case {
    HWND parent;
    const char* name;
    COLORREF colour;
  } cases[] = {{window(main), "Label1", RGB(128, 0, 0)},
               {hwnd("GroupBox1"), "Label3", RGB(128, 0, 0)},
               {hwnd("GroupBox1"), "CheckBox1", RGB(0x1E, 0x1D, 0x26)}};
  HDC dc = CreateCompatibleDC(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LRESULT brush = SendMessageA(c.parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(hwnd(c.name)));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetTextColor(dc), c.colour);
    EXPECT_EQ(GetBkColor(dc), Win32Backend::kFace);
  }
  DeleteDC(dc);
}

TEST_F(Win32BackendTest, BothWindowsCarryTheProgramIcon) {
  for (HWND w : {window(main), window(dialog)}) {
    EXPECT_NE(SendMessageA(w, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(w, WM_GETICON, ICON_SMALL, 0), 0);
  }
}

TEST_F(Win32BackendTest, TheFirstShowingCentresTheMainWindowOnTheDesktopAndLaterOnesKeepItsPlace) {
  main.Show();
  RECT r;
  GetWindowRect(window(main), &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  EXPECT_EQ(r.left, GetSystemMetrics(SM_XVIRTUALSCREEN) + (GetSystemMetrics(SM_CXVIRTUALSCREEN) - width) / 2);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_YVIRTUALSCREEN) + (GetSystemMetrics(SM_CYVIRTUALSCREEN) - height) / 2);
  EXPECT_EQ(GetFocus(), hwnd("Button1")) << "the first tab stop";

  backend.moveForm(main, 10, 20);
  main.Hide();
  main.Show();
  const TRect now = backend.outerRect(main);
  EXPECT_EQ(now.left, 10);
  EXPECT_EQ(now.top, 20);
  EXPECT_EQ(now.width, width);
}

}  // namespace
