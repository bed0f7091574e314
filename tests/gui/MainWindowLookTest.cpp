#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "EmbeddedResources.h"
#include "QtProgram.h"

namespace {

}  // namespace

void PrintTo(const QRect& r, std::ostream* os) {
  *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

struct MainWindowLook : ::testing::Test {
  QtProgram program;

  void SetUp() override {
    for (const char* n : {"A", "B", "C", "D", "E"}) program.library(n, {"iTunes Library.itl"});
    program.setActive("A");
    program.start();
  }
  QAbstractButton* radio(int i) {
    return program.widget(program.form1().LibGroup)->findChild<QButtonGroup*>()->button(i);
  }
  QImage windowImage() {
    program.qt.flush();
    return program.window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
};

QImage resourceImage(const char* name) {
  const std::string_view bytes = embeddedResource(name);
  return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                          static_cast<int>(bytes.size()), "BMP")
      .convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST_F(MainWindowLook, EveryControlStandsWhereTheLayoutSays) {
  TForm1& f = program.form1();
  struct Row {
    const TControl* control;
    QRect rect;  // window coordinates
  };
  const Row rows[] = {
      {f.SpeedButton1, {166, 176, 24, 24}}, {f.Image1, {176, 48 + 24 * f.globals().ActiveLib, 17, 17}},
      {f.SpeedButton2, {137, 176, 24, 24}}, {f.Button1, {16, 176, 81, 25}},
      {f.CheckListBox1, {16, 37, 153, 132}}, {f.LibGroup, {188, 32, 157, 139}},
      {f.Button2, {214, 176, 129, 25}},     {f.GroupBox1, {16, 208, 329, 65}},
      {f.CheckBox1, {32, 228, 297, 17}},    {f.CheckBox2, {32, 248, 297, 17}},
  };
  for (const Row& r : rows) EXPECT_EQ(program.inWindow(r.control), r.rect) << r.control->Name();
  // Labels keep their place and size themselves to their text.
  const Row labels[] = {{f.Label1, {17, 16, 98, 16}}, {f.Label2, {189, 16, 130, 16}},
                        {f.Label3, {30, 206, 56, 16}}};
  for (const Row& r : labels) {
    const QRect got = program.inWindow(r.control);
    EXPECT_EQ(got.topLeft(), r.rect.topLeft()) << r.control->Name();
    EXPECT_EQ(got.height(), r.rect.height()) << r.control->Name();
    EXPECT_GE(got.width(), r.rect.width()) << r.control->Name();
  }
  EXPECT_EQ(program.window()->size(), QSize(356, 287));
  EXPECT_EQ(program.window()->minimumSize(), program.window()->maximumSize());  // not resizable
}

TEST_F(MainWindowLook, LibraryRowsFollowTheRowRule) {
  for (int i = 0; i < 5; ++i) {
    const QPoint at = radio(i)->mapTo(program.window(), QPoint(0, 0));
    EXPECT_EQ(QRect(at, radio(i)->size()), QRect(196, 46 + 24 * i, 147, 24)) << i;
  }
}

TEST_F(MainWindowLook, TheLampMarksTheActiveRowOnly) {
  TForm1& f = program.form1();
  const QImage lamp = resourceImage("indicator.bmp");
  ASSERT_FALSE(lamp.isNull());
  for (int slot = 0; slot < 5; ++slot) {
    f.LibGroup->userSelect(slot);
    f.Button2->userClick();
    ASSERT_EQ(f.globals().ActiveLib, slot) << program.reporter.messages.size();
    program.qt.flush();
    EXPECT_EQ(program.inWindow(f.Image1).top(), 48 + 24 * slot);
    const QImage shot = windowImage();
    // The bitmap is drawn opaque and unscaled: its left 12 columns show, the group covers the
    // rest.
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 12; ++x)
        ASSERT_EQ(shot.pixel(176 + x, 48 + 24 * slot + y), lamp.pixel(x, y))
            << "slot " << slot << " at " << x << "," << y;
    for (int other = 0; other < 5; ++other) {
      if (other == slot) continue;
      // Column 4 of the bitmap is the lamp's outline: absent beside other rows.
      EXPECT_NE(shot.pixel(180, 48 + 24 * other + 8), lamp.pixel(4, 8)) << slot << "/" << other;
    }
  }
}

TEST_F(MainWindowLook, TheHelpBallShowsWholeInItsButton) {
  const QImage glyph = resourceImage("help.bmp");
  ASSERT_EQ(glyph.size(), QSize(27, 27));
  QWidget* button = program.widget(program.form1().SpeedButton1);
  const QImage shot = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shot.size(), QSize(24, 24));
  const QRgb white = qRgb(255, 255, 255);
  int ballPixels = 0;
  for (int y = 0; y < 27; ++y) {
    for (int x = 0; x < 27; ++x) {
      if (glyph.pixel(x, y) == white) continue;
      const int bx = x - 1, by = y - 1;  // one pixel of overhang at the left and top
      ASSERT_TRUE(bx >= 0 && by >= 0 && bx < 24 && by < 24) << "ball cut at " << x << "," << y;
      EXPECT_EQ(shot.pixel(bx, by), glyph.pixel(x, y)) << x << "," << y;
      ++ballPixels;
    }
  }
  EXPECT_GT(ballPixels, 200);
}

TEST_F(MainWindowLook, NoTextIsClipped) {
  TForm1& f = program.form1();
  for (const TControl* c : {static_cast<const TControl*>(f.CheckBox1), static_cast<const TControl*>(f.CheckBox2)}) {
    QWidget* w = program.widget(c);
    EXPECT_LE(w->sizeHint().width(), w->width()) << c->Name();
  }
  for (const TControl* c : {static_cast<const TControl*>(f.Button1), static_cast<const TControl*>(f.Button2)}) {
    auto* b = qobject_cast<QPushButton*>(program.widget(c));
    EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + 8, b->width()) << c->Name();
  }
  for (int i = 0; i < 5; ++i) EXPECT_LE(radio(i)->sizeHint().width(), radio(i)->width()) << i;
  // Headings stay clear of their neighbours and inside the window.
  EXPECT_LE(program.inWindow(f.Label1).right(), program.inWindow(f.CheckListBox1).right());
  EXPECT_LT(program.inWindow(f.Label2).right(), 356);
  EXPECT_LT(program.inWindow(f.Label3).right(), program.inWindow(f.CheckBox1).right());
}

TEST_F(MainWindowLook, HeadingsAreBoldMaroon) {
  TForm1& f = program.form1();
  for (const TControl* c : {f.Label1, f.Label2, f.Label3}) {
    auto* label = qobject_cast<QLabel*>(program.widget(c));
    EXPECT_TRUE(label->font().bold()) << c->Name();
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(128, 0, 0)) << c->Name();
  }
}

TEST_F(MainWindowLook, TabWalksTheControlsInOrder) {
  TForm1& f = program.form1();
  QApplication::setActiveWindow(program.window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(program.window()));
  program.widget(f.Button1)->setFocus();
  std::vector<std::string> walked;
  for (int i = 0; i < 7; ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    TControl* c = program.qt.controlOf(focus);
    if (!c && focus->parentWidget()) c = program.qt.controlOf(focus->parentWidget());
    walked.push_back(c ? c->Name() : focus->metaObject()->className());
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  EXPECT_EQ(walked, (std::vector<std::string>{"Button1", "CheckListBox1", "LibGroup", "Button2",
                                              "CheckBox1", "CheckBox2", "Button1"}));
}
