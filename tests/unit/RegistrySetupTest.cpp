// The installer's duty tool, molvane-setup, run as the scripts run it.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "RegistryContract.h"
#include "TempDir.h"
#include "registry/FileHiveRegistry.h"
#include "registry/HiveFormat.h"

namespace fsys = std::filesystem;
using contract::dword;
using contract::sz;

namespace {

const char* const kSettingsPath = "HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane";

// The tool sits beside the test binary; ctest also names the build folder.
fsys::path setupTool() {
  const char* dir = std::getenv("MOLVANE_TEST_BINARY_DIR");
  if (dir && *dir) return fsys::path(dir) / "molvane-setup";
  return fsys::read_symlink("/proc/self/exe").parent_path() / "molvane-setup";
}

// Runs the tool with the arguments and answers its exit status (-1 when it did not exit).
int runSetup(const std::vector<std::string>& args) {
  const std::string tool = setupTool().string();
  std::vector<char*> argv{const_cast<char*>(tool.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    ::execv(tool.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class InstallerDuty : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(fsys::exists(setupTool())) << setupTool() << " is not built";
    fsys::create_directories(home_);
  }
  int run() { return runSetup({folder_.string(), home_.string()}); }
  fsys::path hive() const { return folder_ / "HKEY_LOCAL_MACHINE.reg"; }
  fsys::path library() const { return home_ / "My Documents" / "My Music" / "Molvane" / "Lib 1"; }
  const HiveFormat::Value* value(const HiveFormat::Hive& h, const char* name) const {
    const HiveFormat::Key* key = h.find(kSettingsPath);
    return key ? key->find(name) : nullptr;
  }

  TempDir dir_;
  fsys::path folder_ = dir_.path() / "config" / "molvane" / "registry";
  fsys::path home_ = dir_.path() / "home";
};

TEST_F(InstallerDuty, MakesTheSettingsKeyAndTheFirstLibrary) {
  ASSERT_EQ(run(), 0);
  const HiveFormat::Hive h = HiveFormat::parse(readText(hive()));
  const HiveFormat::Key* key = h.find(kSettingsPath);
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 4u);
  struct Expected {
    const char* name;
    contract::StoredValue stored;
  };
  for (const Expected& e : {Expected{"Library Name", sz("Lib 1")},
                            Expected{"First Use", dword(0)},
                            Expected{"Overwrite Library", dword(1)},
                            Expected{"Copy Content", dword(0)}}) {
    const HiveFormat::Value* v = value(h, e.name);
    ASSERT_NE(v, nullptr) << e.name;
    EXPECT_EQ((contract::StoredValue{v->type, v->data}), e.stored) << e.name;
  }
  EXPECT_EQ(value(h, "Library Name")->data.size(), 6u);
  EXPECT_TRUE(fsys::is_directory(library()));
  EXPECT_TRUE(fsys::is_empty(library()));
}

TEST_F(InstallerDuty, LeavesAnExistingKeyAndFolderAlone) {
  ASSERT_EQ(run(), 0);
  // The user's own state since then.
  {
    std::ostringstream quiet;
    FileHiveRegistry registry(folder_.string(), home_.string(), quiet);
    reg::Handle key = reg::kNoKey;
    ASSERT_EQ(registry.openKey(reg::kLocalMachine, "Software\\Zarnet\\Molvane", reg::kAllAccess,
                               &key),
              reg::kSuccess);
    const auto name = sz("Party Mix");
    ASSERT_EQ(registry.setValue(key, "Library Name", name.type, name.data.data(),
                                static_cast<std::uint32_t>(name.data.size())),
              reg::kSuccess);
    registry.closeKey(key);
  }
  writeText(library() / "iTunes Library.itl", "library data");
  const std::string before = readText(hive());

  ASSERT_EQ(run(), 0);
  EXPECT_EQ(readText(hive()), before);
  EXPECT_EQ(readText(library() / "iTunes Library.itl"), "library data");
}

TEST_F(InstallerDuty, WithTheKeyPresentMakesNoFolder) {
  // A user who removed the first library keeps it removed.
  {
    std::ostringstream quiet;
    FileHiveRegistry registry(folder_.string(), home_.string(), quiet);
    ASSERT_EQ(registry.createKey(reg::kLocalMachine, "Software\\Zarnet\\Molvane"), reg::kSuccess);
  }
  ASSERT_EQ(run(), 0);
  EXPECT_FALSE(fsys::exists(home_ / "My Documents"));
}

TEST_F(InstallerDuty, KeepsWhatIsInAnExistingLibrariesRoot) {
  fsys::create_directories(library().parent_path() / "Party Mix");
  writeText(library().parent_path() / "Party Mix" / "a.txt", "a");
  ASSERT_EQ(run(), 0);
  EXPECT_TRUE(fsys::is_directory(library()));
  EXPECT_EQ(readText(library().parent_path() / "Party Mix" / "a.txt"), "a");
}

TEST_F(InstallerDuty, UnparsableHiveIsNotOverwritten) {
  fsys::create_directories(folder_);
  const std::string broken = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software]\r\nnot a value\r\n";
  writeText(hive(), broken);
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(readText(hive()), broken);
}

TEST_F(InstallerDuty, WrongArgumentsAreRefused) {
  EXPECT_EQ(runSetup({}), 2);
  EXPECT_EQ(runSetup({folder_.string()}), 2);
  EXPECT_EQ(runSetup({folder_.string(), home_.string(), "extra"}), 2);
  EXPECT_FALSE(fsys::exists(folder_));
}

}  // namespace

#endif  // !_WIN32
