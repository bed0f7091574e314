// What Win32Registry itself adds to the system's calls: the predefined roots, exact bytes for
// strings, and the status codes the accessor relies on.
#include <gtest/gtest.h>

#include <cstring>

#include "WinTestSupport.h"
#include "win32/Win32Registry.h"

namespace {

const char* const kScratch = "Software\\MolvaneTest\\Backend";

class Win32RegistryTest : public ::testing::Test {
protected:
  reg::Handle open(std::uint32_t access = reg::kAllAccess) {
    reg::Handle key = reg::kNoKey;
    EXPECT_EQ(registry.openKey(reg::kCurrentUser, kScratch, access, &key), reg::kSuccess);
    return key;
  }

  ScratchKey scratch{HKEY_CURRENT_USER, kScratch};
  Win32Registry registry;
};

TEST_F(Win32RegistryTest, ReachesBothPredefinedRoots) {
  reg::Handle key = reg::kNoKey;
  ASSERT_EQ(registry.openKey(reg::kCurrentUser, "Volatile Environment", reg::kRead, &key),
            reg::kSuccess);
  EXPECT_NE(key, reg::kNoKey);
  EXPECT_NE(key, reg::kCurrentUser);
  EXPECT_EQ(registry.closeKey(key), reg::kSuccess);

  ASSERT_EQ(registry.openKey(reg::kLocalMachine, "Software", reg::kRead, &key), reg::kSuccess);
  EXPECT_EQ(registry.closeKey(key), reg::kSuccess);
  // Closing a root changes nothing: it can still be opened below afterwards.
  EXPECT_EQ(registry.closeKey(reg::kCurrentUser), reg::kSuccess);
  EXPECT_EQ(registry.openKey(reg::kCurrentUser, kScratch, reg::kRead, &key), reg::kSuccess);
  registry.closeKey(key);
}

TEST_F(Win32RegistryTest, NeverCreatesAKey) {
  reg::Handle key = reg::kNoKey;
  EXPECT_EQ(registry.openKey(reg::kCurrentUser, std::string(kScratch) + "\\Absent", reg::kAllAccess,
                             &key),
            reg::kFileNotFound);
  EXPECT_EQ(key, reg::kNoKey);
  EXPECT_TRUE(scratch.subkeys().empty());
}

TEST_F(Win32RegistryTest, StoresStringsWithExactlyTheBytesGiven) {
  const reg::Handle key = open();
  // The caller's text is followed by a zero in memory, which must not be stored with it.
  const std::string text = "Lib 3";
  const auto* data = reinterpret_cast<const std::uint8_t*>(text.c_str());
  ASSERT_EQ(registry.setValue(key, "Unterminated", reg::kSz, data, 5), reg::kSuccess);
  ASSERT_EQ(registry.setValue(key, "Terminated", reg::kSz, data, 6), reg::kSuccess);
  registry.closeKey(key);

  DWORD type = REG_NONE;
  std::vector<std::uint8_t> stored;
  ASSERT_TRUE(scratch.value("Unterminated", type, stored));
  EXPECT_EQ(stored, (std::vector<std::uint8_t>{'L', 'i', 'b', ' ', '3'}));
  ASSERT_TRUE(scratch.value("Terminated", type, stored));
  EXPECT_EQ(stored, (std::vector<std::uint8_t>{'L', 'i', 'b', ' ', '3', 0}));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST_F(Win32RegistryTest, AnswersMoreDataWithTheSizeNeeded) {
  scratch.setString("Library Name", "Party Mix");
  const reg::Handle key = open(reg::kRead);
  std::uint32_t type = 0, size = 4;
  std::uint8_t small[4] = {0, 0, 0, 0};
  EXPECT_EQ(registry.queryValue(key, "Library Name", &type, small, &size), reg::kMoreData);
  EXPECT_EQ(size, 10u);

  // The size alone, with no buffer.
  size = 0;
  EXPECT_EQ(registry.queryValue(key, "Library Name", &type, nullptr, &size), reg::kSuccess);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(type, reg::kSz);

  std::uint8_t whole[16] = {};
  size = sizeof whole;
  ASSERT_EQ(registry.queryValue(key, "Library Name", nullptr, whole, &size), reg::kSuccess);
  EXPECT_EQ(size, 10u);
  EXPECT_STREQ(reinterpret_cast<const char*>(whole), "Party Mix");

  EXPECT_EQ(registry.queryValue(key, "Missing", &type, nullptr, &size), reg::kFileNotFound);
  registry.closeKey(key);
}

TEST_F(Win32RegistryTest, ARightsLimitedKeyRefusesStores) {
  const reg::Handle key = open(reg::kQueryValue | reg::kEnumerateSubKeys);
  const std::uint8_t one[4] = {1, 0, 0, 0};
  EXPECT_EQ(registry.setValue(key, "First Use", reg::kDword, one, 4), reg::kAccessDenied);
  registry.closeKey(key);
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> stored;
  EXPECT_FALSE(scratch.value("First Use", type, stored));
}

}  // namespace
