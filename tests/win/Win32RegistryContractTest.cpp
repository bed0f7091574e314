// The registry accessor's contract, the very rows the file hive runs, over the real registry.
// Both roots are redirected into a scratch key below HKEY_CURRENT_USER\Software\MolvaneTest, so
// the cases never touch the machine's own keys; the accessor and Win32Registry still pass the
// predefined root handles, and the system does the redirection.
#include <gtest/gtest.h>

#include "RegistryContract.h"
#include "WinTestSupport.h"
#include "win32/Win32Registry.h"

namespace {

HKEY rootKey(reg::Handle root) {
  return root == reg::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The real backend, with one addition: once told, it answers every store with the status the
// system gives for a key that may not be changed. The registry itself cannot be made to refuse a
// store through a handle already opened with full rights, which is what the cases need.
class RefusingRegistry : public Win32Registry {
public:
  bool refuseChanges = false;
  long setValue(reg::Handle key, const std::string& name, std::uint32_t type,
                const std::uint8_t* data, std::uint32_t size) override {
    if (refuseChanges) return ERROR_ACCESS_DENIED;
    return Win32Registry::setValue(key, name, type, data, size);
  }
};

class Win32RegistryHarness : public contract::RegistryHarness {
public:
  Win32RegistryHarness() {
    localMachine_ = createBelow(scratch_, "HKEY_LOCAL_MACHINE");
    currentUser_ = createBelow(scratch_, "HKEY_CURRENT_USER");
    overridden_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, localMachine_) == ERROR_SUCCESS &&
                  RegOverridePredefKey(HKEY_CURRENT_USER, currentUser_) == ERROR_SUCCESS;
  }
  ~Win32RegistryHarness() override {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(localMachine_);
    RegCloseKey(currentUser_);
  }

  bool overridden() const { return overridden_; }
  HKEY scratchLocalMachine() const { return localMachine_; }

  reg::Backend& backend() override { return registry_; }

  void createKey(reg::Handle root, const std::string& path) override {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(rootKey(root), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    RegCloseKey(key);
  }

  void storeValue(reg::Handle root, const std::string& path, const std::string& name,
                  const contract::StoredValue& value) override {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(rootKey(root), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    // A byte that is not zero after the data, else the system adds a terminating zero to
    // string data that has none, and the case would not get the bytes it asked for.
    std::vector<std::uint8_t> data = value.data;
    data.push_back(0xFF);
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, value.type, data.data(),
                             static_cast<DWORD>(value.data.size())),
              ERROR_SUCCESS)
        << name;
    RegCloseKey(key);
  }

  std::optional<contract::StoredValue> storedValue(reg::Handle root, const std::string& path,
                                                   const std::string& name) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey(root), path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
      return std::nullopt;
    DWORD type = REG_NONE, size = 0;
    std::optional<contract::StoredValue> value;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
      std::vector<std::uint8_t> data(size);
      if (RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size) ==
          ERROR_SUCCESS) {
        data.resize(size);
        value = contract::raw(type, std::move(data));
      }
    }
    RegCloseKey(key);
    return value;
  }

  bool keyExists(reg::Handle root, const std::string& path) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey(root), path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }

  bool makeChangesFail(reg::Handle) override {
    registry_.refuseChanges = true;
    return true;
  }

private:
  static HKEY createBelow(const ScratchKey& parent, const char* name) {
    HKEY key = nullptr;
    RegCreateKeyExA(parent.root(), (parent.path() + "\\" + name).c_str(), 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
  }

  ScratchKey scratch_{HKEY_CURRENT_USER, "Software\\MolvaneTest\\Contract"};
  HKEY localMachine_ = nullptr, currentUser_ = nullptr;
  bool overridden_ = false;
  RefusingRegistry registry_;
};

class Win32ValueContract : public ::testing::TestWithParam<contract::ValueCase> {};
class Win32StateContract : public ::testing::TestWithParam<contract::StateCase> {};
class Win32ScenarioContract : public ::testing::TestWithParam<contract::Scenario> {};

TEST_P(Win32ValueContract, Holds) {
  Win32RegistryHarness harness;
  ASSERT_TRUE(harness.overridden()) << "the roots cannot be redirected to a scratch key";
  contract::runValueCase(harness, GetParam());
}

TEST_P(Win32StateContract, Holds) {
  Win32RegistryHarness harness;
  ASSERT_TRUE(harness.overridden()) << "the roots cannot be redirected to a scratch key";
  contract::runStateCase(harness, GetParam());
}

TEST_P(Win32ScenarioContract, Holds) {
  Win32RegistryHarness harness;
  ASSERT_TRUE(harness.overridden()) << "the roots cannot be redirected to a scratch key";
  GetParam().run(harness);
}

INSTANTIATE_TEST_SUITE_P(Accessor, Win32ValueContract,
                         ::testing::ValuesIn(contract::valueCases()), contract::CaseName());
INSTANTIATE_TEST_SUITE_P(Accessor, Win32StateContract,
                         ::testing::ValuesIn(contract::stateCases()), contract::CaseName());
INSTANTIATE_TEST_SUITE_P(Accessor, Win32ScenarioContract,
                         ::testing::ValuesIn(contract::scenarios()), contract::CaseName());

// The redirection is the test's, so check once that it really redirects: a key made through
// the redirected root lands in the scratch key, not in the machine's own.
TEST(Win32RegistryRedirection, KeepsTheCasesInTheScratchKey) {
  const char* const probe = "Software\\Zarnet\\MolvaneRedirectProbe";
  {
    Win32RegistryHarness harness;
    ASSERT_TRUE(harness.overridden());
    harness.createKey(reg::kLocalMachine, probe);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(harness.scratchLocalMachine(), probe, 0, KEY_READ, &key),
              ERROR_SUCCESS);
    if (key) RegCloseKey(key);
  }
  HKEY machine = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, probe, 0, KEY_READ, &machine), ERROR_FILE_NOT_FOUND);
  if (machine) RegCloseKey(machine);
}

}  // namespace
