#include <gtest/gtest.h>

#include <stdexcept>

#include "layout/Layout.h"

TEST(Layout, ParsesFormFontsAndControls) {
  const Layout l = parseLayout(
      "# comment\r\n"
      "form F class=TF caption=\"A \\\"q\\\" b\" client=10x20 font=w border=single\n"
      "\n"
      "font w face=\"MS Sans Serif\" fallback=\"Sans\" height=11 bold color=1,2,3\n"
      "control G kind=TGroupBox bounds=1,2,3,4 text=\"  \"\n"
      "control C kind=TRadioGroup parent=G bounds=5,-6,7,8 taborder=2 item=\"x\" item=\"<y>\"\n");
  EXPECT_EQ(l.formName, "F");
  EXPECT_EQ(l.formClass, "TF");
  EXPECT_EQ(l.prop("caption"), "A \"q\" b");
  EXPECT_EQ(l.clientWidth, 10);
  EXPECT_EQ(l.clientHeight, 20);
  ASSERT_NE(l.findFont("w"), nullptr);
  EXPECT_EQ(l.findFont("w")->face, "MS Sans Serif");
  EXPECT_TRUE(l.findFont("w")->bold);
  EXPECT_EQ(l.findFont("w")->blue, 3);
  ASSERT_EQ(l.controls.size(), 2u);
  EXPECT_EQ(l.controls[0].parent, "F");
  EXPECT_EQ(l.controls[0].text, "  ");
  const LayoutControl& c = l.controls[1];
  EXPECT_EQ(c.parent, "G");
  EXPECT_EQ(c.top, -6);
  EXPECT_EQ(c.tabOrder, 2);
  EXPECT_EQ(c.items, (std::vector<std::string>{"x", "<y>"}));
}

TEST(Layout, RejectsMalformedLinesNamingTheLine) {
  const char* bad[] = {
      "form F\ncontrol C bounds=1,2,3,4\n",           // no kind
      "form F\ncontrol C kind=TLabel bounds=1,2,3\n",  // three numbers
      "form F\nwidget C\n",                            // unknown entry
      "form F caption=\"open\n",                       // unterminated quote
      "control C kind=TLabel\n",                       // no form
  };
  for (const char* text : bad) EXPECT_THROW(parseLayout(text), std::runtime_error) << text;
}

TEST(Layout, TheProgramsWindowsAreCarried) {
  EXPECT_EQ(windowLayout("Main").formClass, "TForm1");
  EXPECT_EQ(windowLayout("NewLibName").formClass, "TForm2");
  EXPECT_THROW(windowLayout("Nothing"), std::runtime_error);
}
