// The file hive backend beyond the accessor's contract: the volatile key, rights, the query
// protocol, handles, hives changed by another process, unusable hives and failed writes.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "ERegistryException.h"
#include "Locations.h"
#include "RegistryContract.h"
#include "RegistryFileHiveHarness.h"
#include "TRegistry.h"
#include "TempDir.h"
#include "registry/FileHiveRegistry.h"

namespace fsys = std::filesystem;
using contract::dword;
using contract::StoredValue;
using contract::sz;

namespace {

const reg::Handle LM = reg::kLocalMachine;
const reg::Handle CU = reg::kCurrentUser;
const char* const kSettings = "Software\\Zarnet\\Molvane";

long setText(reg::Backend& backend, reg::Handle key, const std::string& name,
             const std::string& text) {
  StoredValue v = sz(text);
  return backend.setValue(key, name, v.type, v.data.data(), static_cast<std::uint32_t>(v.data.size()));
}

std::optional<StoredValue> query(reg::Backend& backend, reg::Handle key, const std::string& name) {
  std::uint32_t type = 0, size = 0;
  if (backend.queryValue(key, name, &type, nullptr, &size) != reg::kSuccess) return std::nullopt;
  StoredValue v{type, std::vector<std::uint8_t>(size)};
  if (backend.queryValue(key, name, &type, v.data.data(), &size) != reg::kSuccess)
    return std::nullopt;
  return v;
}

// Files in the hive folder other than hives and their lock files: temporaries left behind.
std::vector<std::string> leftovers(const fsys::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fsys::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name == "HKEY_LOCAL_MACHINE.reg" || name == "HKEY_CURRENT_USER.reg" ||
        name == ".HKEY_LOCAL_MACHINE.reg.lock" || name == ".HKEY_CURRENT_USER.reg.lock")
      continue;
    found.push_back(name);
  }
  return found;
}

// A key below a root opened on the backend, closed at the end.
class OpenedKey {
public:
  OpenedKey(reg::Backend& backend, reg::Handle root, const std::string& path,
            std::uint32_t access = reg::kAllAccess)
      : backend_(backend) {
    status = backend.openKey(root, path, access, &handle);
  }
  ~OpenedKey() {
    if (status == reg::kSuccess) backend_.closeKey(handle);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  reg::Handle handle = reg::kNoKey;
  long status;

private:
  reg::Backend& backend_;
};

class FileHive : public ::testing::Test {
protected:
  RegistryFileHiveHarness h;
  FileHiveRegistry& registry() { return h.registry(); }
  fsys::path machineHive() const { return h.hiveFile(LM); }
  void seedSettings() {
    h.createKey(LM, kSettings);
    h.storeValue(LM, kSettings, "Library Name", sz("Lib 1"));
    h.storeValue(LM, kSettings, "First Use", dword(1));
  }
};

// --- the volatile per-user key ---

TEST_F(FileHive, VolatileEnvironmentComesFromTheHomeFolder) {
  OpenedKey key(registry(), CU, "Volatile Environment");
  ASSERT_EQ(key.status, reg::kSuccess);
  EXPECT_EQ(query(registry(), key.handle, "HOMEDRIVE"), sz(""));
  EXPECT_EQ(query(registry(), key.handle, "homepath"), sz(toProgramPath(h.home())));

  // What start-up builds from it: the music folder below the real home folder.
  TRegistry accessor(registry());
  accessor.OpenKey(Locations::kVolatileEnvironment);
  const std::string music =
      Locations::musicFolder(accessor.ReadString("HOMEDRIVE"), accessor.ReadString("HOMEPATH"));
  EXPECT_EQ(music, toProgramPath(h.home()) + "\\My Documents\\My Music");

  // A home given with a trailing "/" makes the same path.
  std::ostringstream quiet;
  FileHiveRegistry slashed(h.folder().string(), h.home().string() + "/", quiet);
  OpenedKey other(slashed, CU, "Volatile Environment");
  ASSERT_EQ(other.status, reg::kSuccess);
  EXPECT_EQ(query(slashed, other.handle, "HOMEPATH"), sz(toProgramPath(h.home())));
}

TEST_F(FileHive, VolatileEnvironmentIsNeverWritten) {
  {
    OpenedKey key(registry(), CU, "Volatile Environment");
    ASSERT_EQ(key.status, reg::kSuccess);
    EXPECT_EQ(setText(registry(), key.handle, "HOMEPATH", "\\elsewhere"), reg::kSuccess);
    EXPECT_EQ(query(registry(), key.handle, "HOMEPATH"), sz("\\elsewhere"));
  }
  EXPECT_FALSE(fsys::exists(h.hiveFile(CU)));
  h.createKey(CU, "Software\\Zarnet");
  const std::string text = readText(h.hiveFile(CU));
  EXPECT_EQ(text.find("Volatile"), std::string::npos) << text;
  EXPECT_EQ(registry().createKey(CU, "Volatile Environment\\Sub"), reg::kAccessDenied);
}

TEST_F(FileHive, VolatileEnvironmentInTheFileIsIgnoredAndDropped) {
  fsys::create_directories(h.folder());
  writeText(h.hiveFile(CU),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Volatile Environment]\r\n\"HOMEPATH\"=\"\\\\stale\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Volatile Environment\\1]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software]\r\n\"Kept\"=dword:00000007\r\n\r\n");
  {
    OpenedKey key(registry(), CU, "VOLATILE ENVIRONMENT");
    ASSERT_EQ(key.status, reg::kSuccess);
    EXPECT_EQ(query(registry(), key.handle, "HOMEPATH"), sz(toProgramPath(h.home())));
  }
  EXPECT_EQ(OpenedKey(registry(), CU, "Volatile Environment\\1").status, reg::kFileNotFound);

  OpenedKey software(registry(), CU, "Software");
  ASSERT_EQ(software.status, reg::kSuccess);
  EXPECT_EQ(setText(registry(), software.handle, "New", "x"), reg::kSuccess);
  const std::string text = readText(h.hiveFile(CU));
  EXPECT_EQ(text.find("Volatile"), std::string::npos) << text;
  EXPECT_EQ(h.storedValue(CU, "Software", "Kept"), dword(7));
}

// --- opening keys ---

TEST_F(FileHive, MissingHiveMeansNoKeysAndOpeningMakesNothing) {
  EXPECT_EQ(OpenedKey(registry(), LM, kSettings).status, reg::kFileNotFound);
  EXPECT_EQ(OpenedKey(registry(), LM, "Software").status, reg::kFileNotFound);
  TRegistry accessor(registry());
  accessor.SetRootKey(LM);
  EXPECT_FALSE(accessor.KeyExists(kSettings));
  EXPECT_EQ(accessor.ReadString("Library Name"), "");
  EXPECT_FALSE(fsys::exists(h.folder()));
}

TEST_F(FileHive, OpenKeyArguments) {
  seedSettings();
  reg::Handle handle = 77;
  EXPECT_EQ(registry().openKey(LM, kSettings, reg::kRead, nullptr), reg::kInvalidParameter);
  EXPECT_EQ(registry().openKey(0x1234, kSettings, reg::kRead, &handle), reg::kInvalidHandle);
  EXPECT_EQ(handle, reg::kNoKey);
  EXPECT_EQ(registry().openKey(0x80000000u, kSettings, reg::kRead, &handle), reg::kInvalidHandle);
  EXPECT_EQ(OpenedKey(registry(), LM, "Software\\\\Zarnet").status, reg::kFileNotFound);
  EXPECT_EQ(OpenedKey(registry(), LM, "Software\\Zarnet\\").status, reg::kFileNotFound);
  EXPECT_EQ(OpenedKey(registry(), LM, "Software\\Zarn").status, reg::kFileNotFound);

  // An empty path opens the same key again; a path continues from an open key.
  OpenedKey software(registry(), LM, "Software");
  ASSERT_EQ(software.status, reg::kSuccess);
  OpenedKey same(registry(), software.handle, "");
  ASSERT_EQ(same.status, reg::kSuccess);
  EXPECT_NE(same.handle, software.handle);
  OpenedKey settings(registry(), software.handle, "zarnet\\MOLVANE");
  ASSERT_EQ(settings.status, reg::kSuccess);
  EXPECT_EQ(query(registry(), settings.handle, "Library Name"), sz("Lib 1"));
}

TEST_F(FileHive, HandlesLiveUntilClosed) {
  seedSettings();
  reg::Handle a = reg::kNoKey, b = reg::kNoKey;
  ASSERT_EQ(registry().openKey(LM, kSettings, reg::kAllAccess, &a), reg::kSuccess);
  ASSERT_EQ(registry().openKey(LM, kSettings, reg::kAllAccess, &b), reg::kSuccess);
  EXPECT_NE(a, b);
  EXPECT_EQ(registry().closeKey(a), reg::kSuccess);
  EXPECT_EQ(registry().closeKey(a), reg::kInvalidHandle);
  std::uint32_t size = 0;
  EXPECT_EQ(registry().queryValue(a, "Library Name", nullptr, nullptr, &size), reg::kInvalidHandle);
  EXPECT_EQ(setText(registry(), a, "Library Name", "x"), reg::kInvalidHandle);
  EXPECT_EQ(query(registry(), b, "Library Name"), sz("Lib 1"));
  EXPECT_EQ(registry().closeKey(b), reg::kSuccess);
  EXPECT_EQ(registry().closeKey(LM), reg::kSuccess);
  EXPECT_EQ(h.storedValue(LM, kSettings, "Library Name"), sz("Lib 1"));
}

// --- access rights ---

TEST_F(FileHive, ReadOnlyHiveOpensForReadingOnly) {
  seedSettings();
  ASSERT_EQ(::chmod(machineHive().c_str(), 0444), 0);
  const std::string before = readText(machineHive());

  EXPECT_EQ(OpenedKey(registry(), LM, kSettings, reg::kAllAccess).status, reg::kAccessDenied);
  EXPECT_EQ(OpenedKey(registry(), LM, kSettings, reg::kSetValue).status, reg::kAccessDenied);
  OpenedKey reader(registry(), LM, kSettings, reg::kRead);
  ASSERT_EQ(reader.status, reg::kSuccess);
  EXPECT_EQ(query(registry(), reader.handle, "Library Name"), sz("Lib 1"));
  EXPECT_EQ(setText(registry(), reader.handle, "Library Name", "Lib 2"), reg::kAccessDenied);
  bool created = true;
  EXPECT_EQ(registry().createKey(LM, "Software\\New", {}, &created), reg::kAccessDenied);
  EXPECT_FALSE(created);

  // The accessor opens with all rights, so the open fails; the probe with query rights works.
  TRegistry accessor(registry());
  accessor.SetRootKey(LM);
  EXPECT_FALSE(accessor.OpenKey(kSettings));
  EXPECT_TRUE(accessor.KeyExists(kSettings));
  EXPECT_EQ(readText(machineHive()), before);
}

TEST_F(FileHive, HandleWithoutQueryRightCannotRead) {
  seedSettings();
  OpenedKey writer(registry(), LM, kSettings, reg::kSetValue);
  ASSERT_EQ(writer.status, reg::kSuccess);
  std::uint32_t size = 0;
  EXPECT_EQ(registry().queryValue(writer.handle, "Library Name", nullptr, nullptr, &size),
            reg::kAccessDenied);
  EXPECT_EQ(setText(registry(), writer.handle, "Library Name", "Lib 2"), reg::kSuccess);
}

// --- the query protocol ---

struct QueryCase {
  const char* title;
  bool passData;
  std::uint32_t bufferSize;
  long status;
  std::uint32_t sizeAfter;
};

class FileHiveQuery : public FileHive, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(FileHiveQuery, AnswersSizeAndData) {
  const QueryCase& c = GetParam();
  seedSettings();  // "Library Name" = "Lib 1": 6 bytes
  OpenedKey key(registry(), LM, kSettings);
  ASSERT_EQ(key.status, reg::kSuccess);
  std::vector<std::uint8_t> buffer(16, 0xEE);
  std::uint32_t type = 99, size = c.bufferSize;
  EXPECT_EQ(registry().queryValue(key.handle, "Library Name", &type,
                                  c.passData ? buffer.data() : nullptr, &size),
            c.status);
  EXPECT_EQ(size, c.sizeAfter);
  EXPECT_EQ(type, reg::kSz);
  if (c.passData && c.status == reg::kSuccess) {
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 6), std::string("Lib 1\0", 6));
    EXPECT_EQ(buffer[6], 0xEE) << "wrote past the data";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FileHiveQuery,
    ::testing::Values(QueryCase{"SizeOnly", false, 0, reg::kSuccess, 6},
                      QueryCase{"SizeOnlyIgnoresBuffer", false, 2, reg::kSuccess, 6},
                      QueryCase{"TooSmall", true, 5, reg::kMoreData, 6},
                      QueryCase{"Empty", true, 0, reg::kMoreData, 6},
                      QueryCase{"Exact", true, 6, reg::kSuccess, 6},
                      QueryCase{"Larger", true, 16, reg::kSuccess, 6}),
    contract::CaseName());

TEST_F(FileHive, QueryEdgeArguments) {
  seedSettings();
  OpenedKey key(registry(), LM, kSettings);
  ASSERT_EQ(key.status, reg::kSuccess);
  std::uint8_t buffer[8];
  std::uint32_t size = 8, type = 0;
  EXPECT_EQ(registry().queryValue(key.handle, "Library Name", nullptr, buffer, nullptr),
            reg::kInvalidParameter);
  EXPECT_EQ(registry().queryValue(key.handle, "Library Name", nullptr, buffer, &size),
            reg::kSuccess);
  EXPECT_EQ(registry().queryValue(key.handle, "LIBRARY name", &type, nullptr, nullptr),
            reg::kSuccess);
  EXPECT_EQ(type, reg::kSz);
  EXPECT_EQ(registry().queryValue(key.handle, "Absent", &type, nullptr, &size),
            reg::kFileNotFound);
  EXPECT_EQ(registry().queryValue(key.handle, "Library", &type, nullptr, &size),
            reg::kFileNotFound);
}

// --- storing values ---

TEST_F(FileHive, SetValueReplacesIgnoringCaseAndKeepsEverythingElse) {
  seedSettings();
  h.createKey(LM, "Software\\Other");
  h.storeValue(LM, "Software\\Other", "Keep", dword(5));
  OpenedKey key(registry(), LM, kSettings);
  ASSERT_EQ(key.status, reg::kSuccess);
  EXPECT_EQ(setText(registry(), key.handle, "LIBRARY NAME", "Party Mix"), reg::kSuccess);

  const HiveFormat::Hive hive = h.hiveOnDisk(LM);
  const HiveFormat::Key* settings = hive.find("HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane");
  ASSERT_NE(settings, nullptr);
  ASSERT_EQ(settings->values.size(), 2u);
  EXPECT_EQ(settings->values[0].name, "Library Name");
  EXPECT_EQ(settings->values[0].data, sz("Party Mix").data);
  EXPECT_EQ(h.storedValue(LM, kSettings, "First Use"), dword(1));
  EXPECT_EQ(h.storedValue(LM, "Software\\Other", "Keep"), dword(5));
  EXPECT_TRUE(leftovers(h.folder()).empty());
}

TEST_F(FileHive, SetValueArguments) {
  seedSettings();
  OpenedKey key(registry(), LM, kSettings);
  ASSERT_EQ(key.status, reg::kSuccess);
  const std::string before = readText(machineHive());
  EXPECT_EQ(registry().setValue(key.handle, "x", reg::kBinary, nullptr, 3), reg::kInvalidParameter);
  EXPECT_EQ(setText(registry(), key.handle, "two\nlines", "x"), reg::kInvalidParameter);
  EXPECT_EQ(setText(registry(), key.handle, "cr\r", "x"), reg::kInvalidParameter);
  EXPECT_EQ(setText(registry(), key.handle, std::string("zero\0", 5), "x"), reg::kInvalidParameter);
  EXPECT_EQ(readText(machineHive()), before);
  // No data at all is a value of its own.
  EXPECT_EQ(registry().setValue(key.handle, "Nothing", reg::kBinary, nullptr, 0), reg::kSuccess);
  EXPECT_EQ(h.storedValue(LM, kSettings, "Nothing"), contract::raw(reg::kBinary, {}));
}

TEST_F(FileHive, WriteKeepsTheHivesPermissions) {
  seedSettings();
  ASSERT_EQ(::chmod(machineHive().c_str(), 0640), 0);
  OpenedKey key(registry(), LM, kSettings);
  ASSERT_EQ(key.status, reg::kSuccess);
  ASSERT_EQ(setText(registry(), key.handle, "Library Name", "Lib 2"), reg::kSuccess);
  struct stat st {};
  ASSERT_EQ(::stat(machineHive().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(FileHive, HiveThatIsALinkStaysALink) {
  seedSettings();
  const fsys::path real = h.home() / "kept-elsewhere.reg";
  fsys::rename(machineHive(), real);
  fsys::create_symlink(real, machineHive());
  OpenedKey key(registry(), LM, kSettings);
  ASSERT_EQ(key.status, reg::kSuccess);
  ASSERT_EQ(setText(registry(), key.handle, "Library Name", "Lib 2"), reg::kSuccess);
  EXPECT_TRUE(fsys::is_symlink(machineHive()));
  EXPECT_EQ(h.storedValue(LM, kSettings, "Library Name"), sz("Lib 2"));
  EXPECT_TRUE(leftovers(h.folder()).empty());
  EXPECT_EQ(leftovers(h.home()), std::vector<std::string>{"kept-elsewhere.reg"});
}

TEST_F(FileHive, KeyRemovedFromTheFileIsGoneForItsHandle) {
  seedSettings();
  OpenedKey key(registry(), LM, kSettings);
  ASSERT_EQ(key.status, reg::kSuccess);
  writeText(machineHive(), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\r\n");
  const std::string before = readText(machineHive());
  std::uint32_t size = 0;
  EXPECT_EQ(registry().queryValue(key.handle, "Library Name", nullptr, nullptr, &size),
            reg::kKeyDeleted);
  EXPECT_EQ(setText(registry(), key.handle, "Library Name", "Lib 2"), reg::kKeyDeleted);
  EXPECT_EQ(readText(machineHive()), before);
}

// --- two running copies ---

TEST_F(FileHive, TwoBackendsSeeEachOthersWrites) {
  seedSettings();
  std::ostringstream quiet;
  FileHiveRegistry other(h.folder().string(), h.home().string(), quiet);
  OpenedKey mine(registry(), LM, kSettings);
  OpenedKey theirs(other, LM, kSettings);
  ASSERT_EQ(mine.status, reg::kSuccess);
  ASSERT_EQ(theirs.status, reg::kSuccess);

  EXPECT_EQ(query(registry(), mine.handle, "Library Name"), sz("Lib 1"));
  ASSERT_EQ(setText(other, theirs.handle, "Library Name", "Lib 2"), reg::kSuccess);
  EXPECT_EQ(query(registry(), mine.handle, "Library Name"), sz("Lib 2"));
  // A write starts from the file as it is now, so the other's value stays.
  ASSERT_EQ(setText(registry(), mine.handle, "Overwrite Library", "x"), reg::kSuccess);
  EXPECT_EQ(query(other, theirs.handle, "Overwrite Library"), sz("x"));
  EXPECT_EQ(h.storedValue(LM, kSettings, "Library Name"), sz("Lib 2"));
}

// Each process writes its own values many times over, both at once.
TEST_F(FileHive, TwoProcessesWritingAtOnceKeepBothValues) {
  seedSettings();
  const int kWrites = 40;
  auto writer = [&](const std::string& prefix) {
    std::ostringstream quiet;
    FileHiveRegistry backend(h.folder().string(), h.home().string(), quiet);
    reg::Handle key = reg::kNoKey;
    if (backend.openKey(LM, kSettings, reg::kAllAccess, &key) != reg::kSuccess) return 2;
    for (int i = 0; i < kWrites; ++i) {
      const StoredValue v = dword(static_cast<std::uint32_t>(i));
      if (backend.setValue(key, prefix + std::to_string(i), v.type, v.data.data(), 4) !=
          reg::kSuccess)
        return 3;
      if (backend.setValue(key, prefix + " latest", v.type, v.data.data(), 4) != reg::kSuccess)
        return 4;
    }
    return 0;
  };
  std::vector<pid_t> children;
  for (const char* prefix : {"A", "B"}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) ::_exit(writer(prefix));
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  for (const char* prefix : {"A", "B"}) {
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(h.storedValue(LM, kSettings, prefix + std::to_string(i)),
                dword(static_cast<std::uint32_t>(i)))
          << prefix << i;
    EXPECT_EQ(h.storedValue(LM, kSettings, std::string(prefix) + " latest"), dword(kWrites - 1));
  }
  EXPECT_EQ(h.storedValue(LM, kSettings, "Library Name"), sz("Lib 1"));
  EXPECT_TRUE(leftovers(h.folder()).empty());
}

// --- a hive that cannot be parsed ---

TEST_F(FileHive, UnparsableHiveStaysAsItWas) {
  seedSettings();
  OpenedKey early(registry(), LM, kSettings);
  ASSERT_EQ(early.status, reg::kSuccess);
  const std::string broken =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane]\r\n"
      "\"Library Name\"=\"Lib 1\"\r\n\"First Use\"=dword:0000000z\r\n";
  writeText(machineHive(), broken);

  EXPECT_EQ(OpenedKey(registry(), LM, kSettings).status, reg::kFileNotFound);
  EXPECT_EQ(OpenedKey(registry(), LM, "Software").status, reg::kFileNotFound);
  std::uint32_t size = 0;
  EXPECT_NE(registry().queryValue(early.handle, "Library Name", nullptr, nullptr, &size),
            reg::kSuccess);
  EXPECT_EQ(setText(registry(), early.handle, "Library Name", "Lib 2"), reg::kBadFormat);
  EXPECT_EQ(registry().createKey(LM, "Software\\Other"), reg::kBadFormat);
  TRegistry accessor(registry());
  accessor.SetRootKey(LM);
  EXPECT_FALSE(accessor.OpenKey(kSettings));
  EXPECT_EQ(accessor.ReadString("Library Name"), "");
  EXPECT_THROW(accessor.ReadInteger("First Use"), ERegistryException);

  EXPECT_EQ(readText(machineHive()), broken);
  EXPECT_TRUE(leftovers(h.folder()).empty());
  // The reason, with the file and the line, is told once.
  const std::string said = h.diagnostics();
  EXPECT_NE(said.find(machineHive().string()), std::string::npos) << said;
  EXPECT_NE(said.find("line 5"), std::string::npos) << said;
  EXPECT_EQ(said.find("line 5"), said.rfind("line 5")) << said;

  // Mended, the hive serves again.
  writeText(machineHive(), "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane]\r\n");
  EXPECT_EQ(setText(registry(), early.handle, "Library Name", "Lib 2"), reg::kSuccess);
  EXPECT_EQ(h.storedValue(LM, kSettings, "Library Name"), sz("Lib 2"));
}

TEST_F(FileHive, KeyOfAnotherRootMakesTheHiveUnusable) {
  fsys::create_directories(h.folder());
  const std::string text =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane]\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software]\r\n\r\n";
  writeText(machineHive(), text);
  EXPECT_EQ(OpenedKey(registry(), LM, kSettings).status, reg::kFileNotFound);
  EXPECT_EQ(registry().createKey(LM, "Software\\New"), reg::kBadFormat);
  EXPECT_EQ(readText(machineHive()), text);
  EXPECT_NE(h.diagnostics().find("line 5"), std::string::npos) << h.diagnostics();
}

// --- the installer's operation ---

TEST_F(FileHive, CreateKeyMakesFolderLevelsAndValuesAtOnce) {
  bool created = false;
  ASSERT_EQ(registry().createKey(LM, kSettings,
                                 {{"Library Name", reg::kSz, sz("Lib 1").data},
                                  {"First Use", reg::kDword, dword(0).data}},
                                 &created),
            reg::kSuccess);
  EXPECT_TRUE(created);
  EXPECT_TRUE(h.keyExists(LM, "Software"));
  EXPECT_TRUE(h.keyExists(LM, "Software\\Zarnet"));
  EXPECT_EQ(h.storedValue(LM, kSettings, "Library Name"), sz("Lib 1"));
  EXPECT_EQ(h.storedValue(LM, kSettings, "First Use"), dword(0));

  // An existing key is left exactly as it is.
  const std::string before = readText(machineHive());
  ASSERT_EQ(registry().createKey(LM, "software\\zarnet\\molvane",
                                 {{"Library Name", reg::kSz, sz("Other").data}}, &created),
            reg::kSuccess);
  EXPECT_FALSE(created);
  ASSERT_EQ(registry().createKey(LM, "Software", {}, &created), reg::kSuccess);
  EXPECT_FALSE(created);
  EXPECT_EQ(readText(machineHive()), before);

  EXPECT_EQ(registry().createKey(LM, ""), reg::kInvalidParameter);
  EXPECT_EQ(registry().createKey(LM, "a\\\\b"), reg::kInvalidParameter);
  EXPECT_EQ(registry().createKey(LM, "a\nb"), reg::kInvalidParameter);
  EXPECT_EQ(registry().createKey(0x1234, "a"), reg::kInvalidHandle);
  EXPECT_EQ(readText(machineHive()), before);
}

// --- writes that fail ---

class FailedWrite : public FileHive {
protected:
  void SetUp() override {
    seedSettings();
    before_ = readText(machineHive());
  }
  void expectHiveUnchanged() {
    EXPECT_EQ(readText(machineHive()), before_);
    EXPECT_TRUE(leftovers(h.folder()).empty());
    TRegistry accessor(registry());
    accessor.SetRootKey(LM);
    ASSERT_TRUE(accessor.OpenKey(kSettings));
    EXPECT_EQ(accessor.ReadString("Library Name"), "Lib 1");
  }
  std::vector<std::uint8_t> big_ = std::vector<std::uint8_t>(16384, 0x5A);
  std::string before_;
};

TEST_F(FailedWrite, FullDiskLeavesHiveUnchanged) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  TempDir mountDir;
  const std::string point = mountDir.path().string();
  if (std::system(("mount -t tmpfs -o size=64k tmpfs '" + point + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "tmpfs cannot be mounted here";
  struct Unmount {
    std::string point;
    ~Unmount() {
      if (std::system(("umount '" + point + "'").c_str()) != 0) ADD_FAILURE() << "umount failed";
    }
  } unmount{point};

  const fsys::path folder = fsys::path(point) / "registry";
  std::ostringstream quiet;
  FileHiveRegistry small(folder.string(), h.home().string(), quiet);
  ASSERT_EQ(small.createKey(LM, kSettings, {{"Library Name", reg::kSz, sz("Lib 1").data}}),
            reg::kSuccess);
  const std::string hive = readText(small.hiveFile(LM));
  OpenedKey key(small, LM, kSettings);
  ASSERT_EQ(key.status, reg::kSuccess);

  // Fill what is left of the file system.
  {
    const int fd = ::open((fsys::path(point) / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const std::vector<char> block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
  }
  EXPECT_EQ(small.setValue(key.handle, "Big", reg::kBinary, big_.data(),
                           static_cast<std::uint32_t>(big_.size())),
            reg::kDiskFull);
  EXPECT_EQ(readText(small.hiveFile(LM)), hive);
  EXPECT_TRUE(leftovers(folder).empty());
  EXPECT_EQ(query(small, key.handle, "Big"), std::nullopt);

  // With room again the same write goes through.
  fsys::remove(fsys::path(point) / "filler");
  EXPECT_EQ(small.setValue(key.handle, "Big", reg::kBinary, big_.data(),
                           static_cast<std::uint32_t>(big_.size())),
            reg::kSuccess);
}

TEST_F(FailedWrite, FileSizeLimitLeavesHiveUnchanged) {
  // A file size limit makes the temporary's write fail part-way, for root as for anyone.
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(10);
    std::ostringstream quiet;
    FileHiveRegistry backend(h.folder().string(), h.home().string(), quiet);
    reg::Handle key = reg::kNoKey;
    if (backend.openKey(LM, kSettings, reg::kAllAccess, &key) != reg::kSuccess) ::_exit(11);
    const long status = backend.setValue(key, "Library Name", reg::kBinary, big_.data(),
                                         static_cast<std::uint32_t>(big_.size()));
    ::_exit(status == reg::kWriteFault ? 0 : 12);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  expectHiveUnchanged();
}

TEST_F(FailedWrite, ReadOnlyFolderLeavesHiveUnchanged) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  OpenedKey key(registry(), LM, kSettings);
  ASSERT_EQ(key.status, reg::kSuccess);
  ASSERT_EQ(::chmod(h.folder().c_str(), 0555), 0);
  EXPECT_EQ(setText(registry(), key.handle, "Library Name", "Lib 2"), reg::kAccessDenied);
  ASSERT_EQ(::chmod(h.folder().c_str(), 0755), 0);
  expectHiveUnchanged();
}

TEST_F(FailedWrite, HiveMadeReadOnlyAfterOpeningLeavesHiveUnchanged) {
  TRegistry accessor(registry());
  accessor.SetRootKey(LM);
  ASSERT_TRUE(accessor.OpenKey(kSettings));
  ASSERT_EQ(::chmod(machineHive().c_str(), 0444), 0);
  EXPECT_THROW(accessor.WriteString("Library Name", "Lib 2"), ERegistryException);
  EXPECT_EQ(accessor.CurrentPath(), kSettings);
  ASSERT_EQ(::chmod(machineHive().c_str(), 0644), 0);
  expectHiveUnchanged();
}

}  // namespace

#endif  // !_WIN32
