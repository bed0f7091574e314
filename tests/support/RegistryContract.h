#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "registry/RegistryBackend.h"

// What the registry accessor (TRegistry) promises over any registry backend, as tables of cases.
// A test file instantiates the tables against one backend through a RegistryHarness; the file
// hive and the Windows registry run the very same rows.
namespace contract {

// A value as the backend stores it: its type and its bytes.
struct StoredValue {
  std::uint32_t type = reg::kNone;
  std::vector<std::uint8_t> data;
  bool operator==(const StoredValue&) const = default;
};
void PrintTo(const StoredValue& value, std::ostream* os);

StoredValue sz(const std::string& text);         // REG_SZ: the characters and one zero byte
StoredValue expandSz(const std::string& text);   // REG_EXPAND_SZ, the same bytes
StoredValue dword(std::uint32_t value);          // REG_DWORD, little-endian
StoredValue raw(std::uint32_t type, std::vector<std::uint8_t> data);
StoredValue rawText(std::uint32_t type, const std::string& bytes);  // exactly these bytes

// One registry under test: the backend the accessor runs on, and ways to arrange and inspect
// what is stored that go around the accessor.
class RegistryHarness {
public:
  virtual ~RegistryHarness() = default;
  virtual reg::Backend& backend() = 0;
  // Makes the key (path below the root, with the levels above it).
  virtual void createKey(reg::Handle root, const std::string& path) = 0;
  virtual void storeValue(reg::Handle root, const std::string& path, const std::string& name,
                          const StoredValue& value) = 0;
  // What is stored now; nothing when the value or its key is missing.
  virtual std::optional<StoredValue> storedValue(reg::Handle root, const std::string& path,
                                                 const std::string& name) = 0;
  virtual bool keyExists(reg::Handle root, const std::string& path) = 0;
  // From now on every change of stored data below the root fails, while keys that are open
  // stay open. Answers false when the backend cannot arrange that.
  virtual bool makeChangesFail(reg::Handle root) = 0;
};

// The settings key every case works on, below HKEY_LOCAL_MACHINE.
inline const char* const kSettings = "Software\\Zarnet\\Molvane";

enum class Op { ReadString, ReadInteger, ReadBool, WriteString, WriteInteger, WriteBool };

// One value operation on the settings key. Before it the accessor has HKEY_LOCAL_MACHINE as
// root and the settings key open when it exists.
struct ValueCase {
  const char* title = "";
  bool keyPresent = true;
  bool changesFail = false;               // the backend refuses the store
  const char* name = "Library Name";
  std::optional<StoredValue> before{};      // stored under name before the operation
  Op op = Op::ReadString;
  std::string text{};                     // argument of WriteString
  std::int32_t number = 0;                // argument of WriteInteger, WriteBool (not 0 = true)
  // Expected: the failure's text (empty for none), the answer of a read, and what is stored
  // under name afterwards (a read or a failed write must leave `before`).
  std::string error{};
  std::string answerText{};
  std::int32_t answerNumber = 0;
  std::optional<StoredValue> after{};
};
void PrintTo(const ValueCase& c, std::ostream* os);
std::vector<ValueCase> valueCases();
void runValueCase(RegistryHarness& harness, const ValueCase& c);

enum class Action { None, SetRoot, OpenKey, KeyExists, CloseKey };

// One operation on the accessor's state, over a fixed set of keys: in both roots
// Software\Zarnet\Molvane; in HKEY_LOCAL_MACHINE also Software and Software\Zarnet on their own.
// Each key holds a value "Marker" that names it, so the case can tell which key is really open.
struct StateCase {
  const char* title = "";
  reg::Handle startRoot = reg::kNoKey;    // kNoKey: the accessor as created
  const char* startOpen = nullptr;        // key opened first, or none
  Action action = Action::None;
  reg::Handle root = reg::kNoKey;         // for SetRoot
  const char* path = "";                  // for OpenKey, KeyExists
  bool answer = false;                    // expected answer of OpenKey, KeyExists
  reg::Handle endRoot = reg::kCurrentUser;
  const char* endOpen = nullptr;          // CurrentPath afterwards; nullptr when none is open
  const char* endMarker = "";             // "Marker" read through the open key afterwards
};
void PrintTo(const StateCase& c, std::ostream* os);
std::vector<StateCase> stateCases();
void runStateCase(RegistryHarness& harness, const StateCase& c);

// Sequences over several handlers, as the program runs them.
struct Scenario {
  const char* title;
  void (*run)(RegistryHarness& harness);
};
void PrintTo(const Scenario& s, std::ostream* os);
std::vector<Scenario> scenarios();

// Test names from the cases' titles.
struct CaseName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return info.param.title;
  }
};

}  // namespace contract
