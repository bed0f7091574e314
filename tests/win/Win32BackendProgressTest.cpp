// The progress window of long copies: hidden for the first half second, then shown with every
// other window of the program held off until the work ends; its "Cancel" button is heard.
#include "Win32BackendFixture.h"
#include "win32ui/Win32ProgressDisplay.h"

#include <commctrl.h>

namespace {

TEST_F(Win32BackendTest, ProgressShowsAfterHalfASecondHoldsTheWindowsOffAndHearsCancel) {
  main.Show();
  Win32ProgressDisplay progress;
  progress.begin("Making library active", 10 * 1024 * 1024);
  ASSERT_NE(progress.window(), nullptr);
  EXPECT_TRUE(progress.update("iTunes Library.itl", 1024));
  EXPECT_FALSE(IsWindowVisible(progress.window())) << "short work shows nothing";
  EXPECT_TRUE(IsWindowEnabled(window(main)));

  Sleep(600);  // past the half second, whatever the machine's speed
  EXPECT_TRUE(progress.update("iTunes Library.itl", 5 * 1024 * 1024));
  EXPECT_TRUE(IsWindowVisible(progress.window()));
  EXPECT_FALSE(IsWindowEnabled(window(main))) << "no other command runs meanwhile";
  EXPECT_EQ(SendMessageA(FindWindowExA(progress.window(), nullptr, "msctls_progress32", nullptr),
                         PBM_GETPOS, 0, 0),
            5 * 1024);

  HWND cancel = FindWindowExA(progress.window(), nullptr, "BUTTON", "Cancel");
  ASSERT_NE(cancel, nullptr);
  SendMessageA(cancel, BM_CLICK, 0, 0);
  EXPECT_FALSE(progress.update("iTunes Music Library.xml", 6 * 1024 * 1024));
  HWND shown = progress.window();
  progress.end();
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_TRUE(IsWindowEnabled(window(main)));
}

}  // namespace
