#include <gtest/gtest.h>

#include "Main.h"
#include "MolvaneHome.h"

// When the stored "Library Name" has no folder, slot 0 only stands in as the active library:
// the iTunes folder holds some other library's files, which must never be saved over slot 0's.
namespace {

struct UnknownActiveLibrary : ::testing::Test {
  MolvaneHome home;

  void SetUp() override {
    home.settings("Gone", true, false);
    home.library("A", {"iTunes Library.itl"});
    home.library("B", {"iTunes Library.itl"});
    writeText(home.librariesRoot / "A" / "iTunes Library.itl", "A's library");
    writeText(home.librariesRoot / "B" / "iTunes Library.itl", "B's library");
    writeText(home.iTunes / "iTunes Library.itl", "Gone's library");
    home.start();
  }
  TForm1& f() { return home.form1(); }
  int otherSlot() { return 1 - f().globals().ActiveLib; }
  std::string stored(const char* library) {
    return readText(home.librariesRoot / library / "iTunes Library.itl");
  }
};

}  // namespace

TEST_F(UnknownActiveLibrary, SavingBackIsRefusedAndNothingChanges) {
  ASSERT_TRUE(f().CheckBox1->Checked());
  const int before = f().globals().ActiveLib;
  f().LibGroup->userSelect(otherSlot());
  f().Button2->userClick();
  ASSERT_EQ(home.reporter.messages.size(), 1u);
  EXPECT_NE(home.reporter.messages[0].find("Nothing was changed"), std::string::npos);
  EXPECT_EQ(stored("A"), "A's library");
  EXPECT_EQ(stored("B"), "B's library");
  EXPECT_EQ(readText(home.iTunes / "iTunes Library.itl"), "Gone's library");
  EXPECT_EQ(f().globals().ActiveLib, before);
  EXPECT_EQ(f().globals().Reg->ReadString("Library Name"), "Gone");
}

TEST_F(UnknownActiveLibrary, WithoutSavingBackTheSwitchGoesAheadAndLaterSwitchesSaveAgain) {
  f().CheckBox1->userClick();
  ASSERT_FALSE(f().CheckBox1->Checked());
  const int target = otherSlot();
  const std::string name = f().LibGroup->Item(target);
  f().LibGroup->userSelect(target);
  f().Button2->userClick();
  EXPECT_TRUE(home.reporter.messages.empty());
  EXPECT_EQ(readText(home.iTunes / "iTunes Library.itl"), name + "'s library");
  EXPECT_EQ(f().globals().ActiveLib, target);

  // Now the iTunes folder is known to hold that library: saving back is allowed again.
  writeText(home.iTunes / "iTunes Library.itl", name + " played");
  f().CheckBox1->userClick();
  f().LibGroup->userSelect(1 - target);
  f().Button2->userClick();
  EXPECT_TRUE(home.reporter.messages.empty());
  EXPECT_EQ(stored(name.c_str()), name + " played");
}
