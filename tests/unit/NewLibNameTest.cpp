#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LibraryNames.h"
#include "Main.h"
#include "MolvaneHome.h"
#include "NewLibName.h"

namespace {

// A running program with two libraries, "Rock" (active) and "Jazz.ab", and the name dialog.
struct NameDialog : ::testing::Test {
  MolvaneHome h;

  void SetUp() override {
    h.library("Rock");
    h.library("Jazz.ab");
    h.settings("Rock", false, false);
    h.start();
    ASSERT_EQ(h.form1().globals().LibCount, 2);
  }

  TForm1& main() { return h.form1(); }
  TForm2& dialog() { return h.form2(); }
  void open() { main().Button1->userClick(); }
  void type(const std::string& text) { dialog().Edit1->userSetText(text); }
  void press(std::uint16_t key, TShiftState shift = 0) { dialog().Edit1->userKeyDown(key, shift); }
  std::vector<std::string> slots() {
    std::vector<std::string> out;
    for (int i = 0; i < main().LibGroup->Count(); ++i) out.push_back(main().LibGroup->Item(i));
    return out;
  }
  int timesShown() { return h.backend.timesShown[&dialog()]; }
  TRect rectOf(const TForm& form) { return h.backend.outerRect(form); }
};

struct NameCase {
  std::string name;
  // Empty: accepted. Otherwise a piece of the message that tells why it was refused.
  std::string refusedFor;
};

// The names as the user types them, each into a fresh program with "Rock" and "Jazz.ab".
std::vector<NameCase> nameCases(std::size_t librariesRootLength) {
  // The longest path a library receives is its folder + "\" + "iTunes Library Genius.itdb".
  const std::size_t room = 259 - 1 - std::string("iTunes Library Genius.itdb").size();
  const std::size_t longestName = room - librariesRootLength - 1;
  return {
      {"Blues", ""},
      {"Rock 2", ""},
      {"Live.cd", ""},
      {"a.b.c", ""},
      {"x", ""},
      {"COM0", ""},
      {"Con Air", ""},
      {"Lib 1", ""},
      {"Caf\xC3\xA9", ""},
      {std::string(longestName, 'n'), ""},
      {std::string(longestName + 1, 'n'), "would be longer than the system allows"},
      {"", "cannot be empty"},
      {"   ", "cannot be empty"},
      {" Blues", "cannot begin with a space"},
      {"Blues ", "cannot end with a space"},
      {"Blues.", "cannot end with \".\""},
      {"Rock\\Pop", "cannot contain \"\\\""},
      {"Rock/Pop", "cannot contain \"/\""},
      {"a<b", "cannot contain \"<\""},
      {"a>b", "cannot contain \">\""},
      {"a:b", "cannot contain \":\""},
      {"say \"hi\"", "cannot contain quotation marks"},
      {"a|b", "cannot contain \"|\""},
      {"why?", "cannot contain \"?\""},
      {"all*", "cannot contain \"*\""},
      {"tab\there", "control characters"},
      {"line\nbreak", "control characters"},
      {".", "cannot begin with \".\""},
      {"..", "cannot begin with \".\""},
      {".hidden", "cannot begin with \".\""},
      {"Rock.2008", "cannot end with \".2008\""},
      {"Mix.mp3", "cannot end with \".mp3\""},
      {"CON", "Windows keeps the name \"CON\" for a device"},
      {"con.txt", "Windows keeps the name \"con\" for a device"},
      {"Lpt9", "for a device"},
      {"nul.a", "for a device"},
      {"Rock", "already a library named \"Rock\""},
      {"rOCK", "already a library named \"Rock\""},
      {"JAZZ.AB", "already a library named \"Jazz.ab\""},
  };
}

}  // namespace

TEST(NameDialogNames, AreAcceptedOrRefusedWithTheirReason) {
  const std::size_t count = nameCases(0).size();
  for (std::size_t i = 0; i < count; ++i) {
    MolvaneHome fresh;
    // The longest names depend on this home's path.
    const NameCase c = nameCases(toProgramPath(fresh.librariesRoot).size())[i];
    SCOPED_TRACE("name \"" + c.name + "\"");
    fresh.library("Rock");
    fresh.library("Jazz.ab");
    fresh.settings("Rock", false, false);
    fresh.start();
    TForm1& f1 = fresh.form1();
    TForm2& f2 = fresh.form2();
    const auto rootBefore = MolvaneHome::namesIn(fresh.librariesRoot);

    f1.Button1->userClick();
    f2.Edit1->userSetText(c.name);
    f2.Edit1->userKeyDown(VK_RETURN, 0);

    if (c.refusedFor.empty()) {
      EXPECT_TRUE(fresh.reporter.messages.empty())
          << (fresh.reporter.messages.empty() ? "" : fresh.reporter.messages[0]);
      EXPECT_EQ(f1.globals().LibCount, 3);
      EXPECT_EQ(f1.LibGroup->Item(2), c.name);
      EXPECT_TRUE(std::filesystem::is_directory(fresh.librariesRoot / c.name));
      EXPECT_FALSE(f2.Showing());
      EXPECT_EQ(f2.Edit1->Text(), "");
      // What the program accepts, the next start lists.
      EXPECT_TRUE(LibraryNames::isLibraryEntry(c.name));
    } else {
      ASSERT_EQ(fresh.reporter.messages.size(), 1u);
      const std::string& shown = fresh.reporter.messages[0];
      EXPECT_NE(shown.find(c.refusedFor), std::string::npos) << shown;
      EXPECT_EQ(shown.back(), '.');
      EXPECT_EQ(f1.globals().LibCount, 2);
      EXPECT_EQ(f1.LibGroup->Item(2), "<empty>");
      EXPECT_EQ(MolvaneHome::namesIn(fresh.librariesRoot), rootBefore);
      EXPECT_TRUE(f2.Showing());
      EXPECT_EQ(f2.Edit1->Text(), c.name);
    }
  }
}

TEST_F(NameDialog, AFolderMadeSinceStartUpIsNotTakenOver) {
  h.library("Blues", {"keep.mp3"});
  open();
  type("Blues");
  press(VK_RETURN);
  ASSERT_EQ(h.reporter.messages.size(), 1u);
  EXPECT_NE(h.reporter.messages[0].find("already holds a folder or file named \"Blues\""),
            std::string::npos)
      << h.reporter.messages[0];
  EXPECT_EQ(h.form1().globals().LibCount, 2);
  EXPECT_EQ(MolvaneHome::namesIn(h.librariesRoot / "Blues"), std::vector<std::string>{"keep.mp3"});
  EXPECT_TRUE(dialog().Showing());
}

TEST_F(NameDialog, DoesNotOpenWithFiveLibraries) {
  MolvaneHome full;
  for (const char* name : {"A", "B", "C", "D", "E"}) full.library(name);
  full.start();
  ASSERT_EQ(full.form1().globals().LibCount, 5);
  full.form1().Button1->userClick();
  EXPECT_FALSE(full.form2().Showing());
  EXPECT_EQ(full.backend.timesShown[&full.form2()], 0);
}

TEST_F(NameDialog, FifthLibraryIsTheLastTheDialogAsksFor) {
  for (const char* name : {"C", "D", "E"}) {
    open();
    type(name);
    press(VK_RETURN);
  }
  const auto filled = slots();
  EXPECT_EQ(std::vector<std::string>(filled.begin() + 2, filled.end()),
            (std::vector<std::string>{"C", "D", "E"}));
  const int shown = timesShown();
  open();
  EXPECT_FALSE(dialog().Showing());
  EXPECT_EQ(timesShown(), shown);
}

TEST_F(NameDialog, AnotherAddLibraryWhileShowingDoesNothing) {
  open();
  ASSERT_TRUE(dialog().Showing());
  h.backend.moveForm(dialog(), 5, 6);  // the user moved it
  type("Blu");
  open();
  EXPECT_EQ(timesShown(), 1);  // not brought to the front again
  EXPECT_EQ(rectOf(dialog()).left, 5);
  EXPECT_EQ(rectOf(dialog()).top, 6);
  EXPECT_EQ(dialog().Edit1->Text(), "Blu");
}

TEST_F(NameDialog, FirstOpeningCentresOverTheMainWindowAndFocusesTheEditBox) {
  // The headless desktop is 1024 x 768; the main window (356 x 287) sits centred on it at
  // 334, 240, and the dialog is 303 x 69: 334 + 53 / 2 = 360, 240 + 218 / 2 = 349.
  ASSERT_EQ(rectOf(main()).left, 334);
  ASSERT_EQ(rectOf(main()).top, 240);
  open();
  EXPECT_EQ(rectOf(dialog()).left, 360);
  EXPECT_EQ(rectOf(dialog()).top, 349);
  EXPECT_EQ(dialog().ActiveControl(), dialog().Edit1);
}

TEST_F(NameDialog, ANegativeCoordinateBecomesZero) {
  h.backend.moveForm(main(), -30, -100);
  open();
  EXPECT_EQ(rectOf(dialog()).left, 0);  // -30 + 26
  EXPECT_EQ(rectOf(dialog()).top, 9);   // -100 + 109
}

TEST(NameDialogCentring, HalvesAreRoundedTowardZero) {
  struct Case {
    TRect owner, dialog;
    int left, top;
  } cases[] = {
      {{100, 100, 300, 50}, {0, 0, 303, 69}, 99, 91},  // -3/2 = -1, -19/2 = -9
      {{100, 100, 306, 80}, {0, 0, 303, 69}, 101, 105},
      {{0, 0, 100, 50}, {7, 8, 303, 69}, 0, 0},
      {{-500, 40, 356, 287}, {0, 0, 303, 69}, 0, 149},
  };
  for (const Case& c : cases) {
    const TRect r = TForm2::centredOver(c.owner, c.dialog);
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.top, c.top);
    EXPECT_EQ(r.width, c.dialog.width);
    EXPECT_EQ(r.height, c.dialog.height);
  }
}

TEST_F(NameDialog, LaterOpeningsKeepPositionAndFocus) {
  open();
  h.backend.moveForm(dialog(), 10, 20);  // the user moved it
  dialog().Button1->userClick();         // "Cancel" with the mouse
  EXPECT_FALSE(dialog().Showing());
  h.backend.moveForm(main(), 0, 0);
  open();
  EXPECT_EQ(timesShown(), 2);
  EXPECT_EQ(rectOf(dialog()).left, 10);
  EXPECT_EQ(rectOf(dialog()).top, 20);
  EXPECT_EQ(dialog().ActiveControl(), dialog().Button1);
}

TEST_F(NameDialog, CancelClearsAndHidesAndAddsNothing) {
  open();
  type("Blues");
  dialog().Button1->userClick();
  EXPECT_FALSE(dialog().Showing());
  EXPECT_EQ(dialog().Edit1->Text(), "");
  EXPECT_EQ(h.form1().globals().LibCount, 2);
  EXPECT_FALSE(std::filesystem::exists(h.librariesRoot / "Blues"));
  open();
  EXPECT_EQ(dialog().Edit1->Text(), "");
}

TEST_F(NameDialog, TheCloseBoxHidesAndKeepsTheText) {
  open();
  type("Blues");
  dialog().userClose();
  EXPECT_FALSE(dialog().Showing());
  EXPECT_FALSE(h.backend.quitRequested);
  EXPECT_EQ(h.form1().globals().LibCount, 2);
  open();
  EXPECT_TRUE(dialog().Showing());
  EXPECT_EQ(dialog().Edit1->Text(), "Blues");
  press(VK_RETURN);
  EXPECT_EQ(slots()[2], "Blues");
  EXPECT_TRUE(std::filesystem::is_directory(h.librariesRoot / "Blues"));
}

TEST_F(NameDialog, OnlyEnterAcceptsAndAnyModifierWillDo) {
  open();
  type("Blues");
  for (std::uint16_t key : {VK_ESCAPE, VK_SPACE, std::uint16_t('A'), std::uint16_t(9)}) {
    press(key);
    press(key, ssCtrl);
  }
  EXPECT_TRUE(dialog().Showing());
  EXPECT_EQ(dialog().Edit1->Text(), "Blues");
  EXPECT_EQ(h.form1().globals().LibCount, 2);

  const TShiftState modifiers[] = {ssShift, ssCtrl, static_cast<TShiftState>(ssShift | ssAlt)};
  const char* names[] = {"S", "C", "SA"};
  for (int i = 0; i < 3; ++i) {
    open();
    type(names[i]);
    press(VK_RETURN, modifiers[i]);
    EXPECT_FALSE(dialog().Showing()) << names[i];
  }
  const auto filled = slots();
  EXPECT_EQ(std::vector<std::string>(filled.begin() + 2, filled.end()),
            (std::vector<std::string>{"S", "C", "SA"}));
  EXPECT_TRUE(h.reporter.messages.empty());
}

TEST_F(NameDialog, TheMainWindowStaysUsableWhileTheDialogIsOpen) {
  open();
  type("Blues");
  main().LibGroup->userSelect(1);
  EXPECT_EQ(main().LibGroup->ItemIndex(), 1);
  EXPECT_TRUE(dialog().Showing());
  press(VK_RETURN);
  EXPECT_EQ(main().LibGroup->ItemIndex(), 1);  // the selection stays where the user put it
  EXPECT_EQ(slots()[2], "Blues");
}
