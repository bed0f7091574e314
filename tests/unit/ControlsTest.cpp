#include <gtest/gtest.h>

#include <stdexcept>

#include "Fakes.h"
#include "TestForm.h"
#include "controls/TApplication.h"
#include "controls/TButton.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TEdit.h"
#include "controls/TRadioGroup.h"
#include "headless/HeadlessBackend.h"

namespace {


struct ControlsTest : ::testing::Test {
  HeadlessBackend backend;
  RecordingReporter reporter;
  TApplication app{backend, reporter};
  TestForm& main = app.CreateForm<TestForm>();
  TestForm& other = app.CreateForm<TestForm>();
};

}  // namespace

TEST_F(ControlsTest, SelectionFromCodeRunsHandlerOnlyOnChange) {
  std::vector<int> seen;
  main.R->OnClick = [&](TObject* s) {
    EXPECT_EQ(s, main.R);
    seen.push_back(main.R->ItemIndex());
  };
  EXPECT_EQ(main.R->ItemIndex(), -1);
  main.R->SetItemIndex(1);
  main.R->SetItemIndex(1);
  main.R->SetItem(1, "renamed");
  main.R->SetItemIndex(2);
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
  EXPECT_EQ(main.R->Item(1), "renamed");
}

TEST_F(ControlsTest, SelectionSetInsideHandlerRunsItNested) {
  std::vector<int> entered;
  main.R->OnClick = [&](TObject*) {
    entered.push_back(main.R->ItemIndex());
    if (main.R->ItemIndex() == 2) main.R->SetItemIndex(0);
  };
  main.R->userSelect(2);
  EXPECT_EQ(entered, (std::vector<int>{2, 0}));
  EXPECT_EQ(main.R->ItemIndex(), 0);
}

TEST_F(ControlsTest, CheckBoxFromCodeRunsHandlerQuietSetDoesNot) {
  int clicks = 0;
  main.C->OnClick = [&](TObject*) { ++clicks; };
  EXPECT_TRUE(main.C->Checked());  // from the layout
  main.C->SetChecked(true);
  EXPECT_EQ(clicks, 0);
  main.C->SetCheckedQuietly(false);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(main.C->Checked());
  main.C->SetChecked(true);
  main.C->userClick();
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(main.C->Checked());
}

TEST_F(ControlsTest, LockedItemsKeepTheirTickButCanBeFocused) {
  main.L->Add("a.itl");
  main.L->Add("b.txt");
  main.L->SetChecked(0, true);
  main.L->SetItemEnabled(0, false);
  EXPECT_FALSE(main.L->userToggle(0));
  EXPECT_TRUE(main.L->Checked(0));
  EXPECT_EQ(main.L->ItemIndex(), 0);
  EXPECT_TRUE(main.L->userToggle(1));
  EXPECT_TRUE(main.L->Checked(1));
  main.L->Clear();
  EXPECT_EQ(main.L->Count(), 0);
  EXPECT_EQ(main.L->ItemIndex(), -1);
}

TEST_F(ControlsTest, UserHandlerFailureIsShownAndGoesNoFurther) {
  struct Case {
    const char* thrown;
    const char* shown;
  };
  const Case cases[] = {
      {"Failed to get data for 'First Use'", "Failed to get data for 'First Use'"},
      {"Disk full", "Disk full."},
      {"Ends with a full stop.", "Ends with a full stop."},
      {"Ends with a bang!", "Ends with a bang!"},  // '!' sorts before '.'
      {"", ""},
  };
  for (const Case& c : cases) {
    reporter.messages.clear();
    bool after = false;
    main.B->OnClick = [&](TObject*) {
      throw std::runtime_error(c.thrown);
      after = true;
    };
    main.B->userClick();
    ASSERT_EQ(reporter.messages.size(), 1u) << c.thrown;
    EXPECT_EQ(reporter.messages[0], c.shown);
    EXPECT_FALSE(after);
  }
}

TEST_F(ControlsTest, FailureInCodeSetSelectionReachesTheOuterHandler) {
  main.R->OnClick = [&](TObject*) { throw std::runtime_error("inner"); };
  main.B->OnClick = [&](TObject*) {
    main.R->SetItemIndex(1);
    main.C->SetCaption("not reached");
  };
  main.B->userClick();
  EXPECT_EQ(reporter.messages, (std::vector<std::string>{"inner."}));
  EXPECT_NE(main.C->Caption(), "not reached");
}

TEST_F(ControlsTest, EditKeyDownReachesHandlerWithKeyAndShift) {
  std::vector<std::pair<int, int>> keys;
  main.E->OnKeyDown = [&](TObject*, std::uint16_t& k, TShiftState s) { keys.emplace_back(k, s); };
  main.E->userKeyDown('A', 0);
  main.E->userKeyDown(VK_RETURN, ssShift | ssCtrl);
  EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{'A', 0}, {VK_RETURN, ssShift | ssCtrl}}));
}

TEST_F(ControlsTest, ClosingTheMainWindowEndsTheProgramOtherWindowsHide) {
  other.Show();
  other.userClose();
  EXPECT_FALSE(other.Showing());
  EXPECT_FALSE(app.Terminated());
  main.Show();
  main.userClose();
  EXPECT_TRUE(app.Terminated());
  EXPECT_TRUE(backend.quitRequested);
}

TEST_F(ControlsTest, FirstShowFocusesFirstTabStopLaterShowsKeepFocus) {
  other.Show();
  EXPECT_EQ(other.ActiveControl(), other.B);
  other.E->Form()->userFocus(other.E);
  other.Hide();
  other.Show();
  EXPECT_EQ(other.ActiveControl(), other.E);
}
