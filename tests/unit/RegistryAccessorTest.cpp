// The accessor against a registry that changes under it, as with two running copies.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include "RegistryContract.h"
#include "RegistryFileHiveHarness.h"
#include "TRegistry.h"

namespace {

// Passes every call on, and once, right after the first size question, lets another copy of
// the program store a longer "Library Name".
class ChangingBetweenCalls : public reg::Backend {
public:
  ChangingBetweenCalls(RegistryFileHiveHarness& harness) : harness_(harness) {}
  long openKey(reg::Handle parent, const std::string& subKey, std::uint32_t access,
               reg::Handle* result) override {
    return harness_.backend().openKey(parent, subKey, access, result);
  }
  long queryValue(reg::Handle key, const std::string& name, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* size) override {
    const long status = harness_.backend().queryValue(key, name, type, data, size);
    if (!data && !changed_) {
      changed_ = true;
      harness_.storeValue(reg::kLocalMachine, contract::kSettings, "Library Name",
                          contract::sz("A much longer library name"));
    }
    return status;
  }
  long setValue(reg::Handle key, const std::string& name, std::uint32_t type,
                const std::uint8_t* data, std::uint32_t size) override {
    return harness_.backend().setValue(key, name, type, data, size);
  }
  long closeKey(reg::Handle key) override { return harness_.backend().closeKey(key); }

private:
  RegistryFileHiveHarness& harness_;
  bool changed_ = false;
};

TEST(RegistryAccessor, ReadStringOfAValueThatGrewMeanwhileAnswersTheNewText) {
  RegistryFileHiveHarness harness;
  harness.createKey(reg::kLocalMachine, contract::kSettings);
  harness.storeValue(reg::kLocalMachine, contract::kSettings, "Library Name", contract::sz("Lib 1"));
  ChangingBetweenCalls backend(harness);
  TRegistry accessor(backend);
  accessor.SetRootKey(reg::kLocalMachine);
  ASSERT_TRUE(accessor.OpenKey(contract::kSettings));
  EXPECT_EQ(accessor.ReadString("Library Name"), "A much longer library name");
}

}  // namespace

#endif  // !_WIN32
