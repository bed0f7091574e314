// The program's resources as windres compiled them: the version block Explorer shows, the icon
// and the manifest, read from the small program that carries them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinTestSupport.h"

namespace {

std::string besideThisProgram(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  folder.erase(folder.find_last_of('\\') + 1);
  return folder + name;
}

class Win32Resources : public ::testing::Test {
protected:
  void SetUp() override {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version block in " << program;
    block.resize(size);
    ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, size, block.data()));
  }

  std::string text(const std::string& name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904E4\\" + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
      return "<missing>";
    return value ? std::string(value) : std::string();
  }

  const std::string program = besideThisProgram(MOLVANE_VERSION_PROGRAM);
  std::vector<char> block;
};

TEST_F(Win32Resources, VersionBlockNamesTheProgramAndItsBuild) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const std::string numeric = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionLS));
  // The build's version, the same one CMake's project carries.
  EXPECT_EQ(numeric, MOLVANE_VERSION);
  EXPECT_EQ(text("FileVersion"), MOLVANE_VERSION);
  EXPECT_EQ(text("ProductName"), "Molvane");
  EXPECT_EQ(text("CompanyName"), "Zarnet");
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(Win32Resources, CarriesTheIconAndTheManifest) {
  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << program;
  EXPECT_NE(FindResourceA(module, "MAINICON", MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */), nullptr);
  HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
  ASSERT_NE(manifest, nullptr);
  const char* xml = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
  const std::string text(xml, SizeofResource(module, manifest));
  EXPECT_NE(text.find("<assembly"), std::string::npos) << text.substr(0, 200);
  FreeLibrary(module);
}

}  // namespace
