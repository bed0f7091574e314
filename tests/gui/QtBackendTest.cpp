#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <stdexcept>

#include "Fakes.h"
#include "TestForm.h"
#include "controls/TApplication.h"
#include "controls/TButton.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TEdit.h"
#include "controls/TRadioGroup.h"
#include "qt/QtBackend.h"

namespace {


struct QtBackendTest : ::testing::Test {
  QtBackend backend;
  RecordingReporter reporter;
  TApplication app{backend, reporter};
  TestForm& form = app.CreateForm<TestForm>();

  template <class W>
  W* widget(TControl* c) {
    return qobject_cast<W*>(backend.widgetOf(*c));
  }
  // Buttons react to clicks on their indicator and text, near their left edge.
  static void clickLeft(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); }
  QAbstractButton* radio(int i) { return widget<QGroupBox>(form.R)->findChild<QButtonGroup*>()->button(i); }
  void SetUp() override {
    form.Show();
    backend.flush();
  }
  void TearDown() override { form.Hide(); }
};

}  // namespace

TEST_F(QtBackendTest, WidgetsStandWhereTheLayoutPutsThem) {
  EXPECT_EQ(backend.widgetOf(form)->size(), QSize(300, 200));
  EXPECT_EQ(backend.widgetOf(*form.B)->geometry(), QRect(200, 160, 60, 25));
  EXPECT_EQ(backend.widgetOf(*form.L)->geometry(), QRect(10, 10, 120, 120));
  // Rows of the radio group: equal rows below the caption line.
  EXPECT_EQ(radio(0)->geometry().top(), 14);
  EXPECT_EQ(radio(1)->geometry().top() - radio(0)->geometry().top(), 24);
}

TEST_F(QtBackendTest, ClickingARadioRunsTheHandlerAndShowsWhereItLeftTheSelection) {
  int runs = 0;
  form.R->OnClick = [&](TObject*) {
    ++runs;
    if (form.R->ItemIndex() == 4) form.R->SetItemIndex(1);
  };
  clickLeft(radio(2));
  EXPECT_EQ(form.R->ItemIndex(), 2);
  clickLeft(radio(4));
  EXPECT_EQ(form.R->ItemIndex(), 1);
  backend.flush();
  EXPECT_TRUE(radio(1)->isChecked());
  EXPECT_FALSE(radio(4)->isChecked());
  EXPECT_EQ(runs, 3);
}

TEST_F(QtBackendTest, NoSelectionShowsNoCheckedRadio) {
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(radio(i)->isChecked());
}

TEST_F(QtBackendTest, LockedItemsCannotBeTickedByMouseOrSpaceButCanBeSelected) {
  form.L->Add("x.itl");
  form.L->Add("y.txt");
  form.L->SetChecked(0, true);
  form.L->SetItemEnabled(0, false);
  backend.flush();
  auto* view = widget<QListWidget>(form.L);
  ASSERT_EQ(view->count(), 2);
  EXPECT_FALSE(view->item(0)->flags() & Qt::ItemIsUserCheckable);
  view->setFocus();
  view->setCurrentRow(0);
  QTest::keyClick(view, Qt::Key_Space);
  EXPECT_TRUE(form.L->Checked(0));
  EXPECT_EQ(form.L->ItemIndex(), 0);
  view->setCurrentRow(1);
  QTest::keyClick(view, Qt::Key_Space);
  EXPECT_TRUE(form.L->Checked(1));
  EXPECT_EQ(view->item(1)->checkState(), Qt::Checked);
}

TEST_F(QtBackendTest, CheckBoxClickRunsHandlerFailureGoesToTheReporter) {
  form.C->OnClick = [](TObject*) { throw std::runtime_error("Failed to set data for 'Copy Content'"); };
  clickLeft(widget<QCheckBox>(form.C));
  EXPECT_FALSE(form.C->Checked());  // ticked in the layout, unticked by the click
  EXPECT_EQ(reporter.messages, (std::vector<std::string>{"Failed to set data for 'Copy Content'"}));
}

TEST_F(QtBackendTest, EditKeysReachTheHandlerAndTextFollowsTyping) {
  std::vector<int> keys;
  std::string textAtEnter;
  form.E->OnKeyDown = [&](TObject*, std::uint16_t& k, TShiftState) {
    keys.push_back(k);
    if (k == VK_RETURN) textAtEnter = form.E->Text();
  };
  auto* edit = widget<QLineEdit>(form.E);
  edit->setFocus();
  QTest::keyClicks(edit, "ab");
  QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(keys, (std::vector<int>{'A', 'B', 16, VK_RETURN}));  // Shift goes down first
  EXPECT_EQ(textAtEnter, "ab");
  form.E->Clear();
  backend.flush();
  EXPECT_EQ(edit->text(), "");
}

TEST_F(QtBackendTest, ClosingTheMainWindowEndsTheProgram) {
  backend.widgetOf(form)->close();
  EXPECT_TRUE(app.Terminated());
}
