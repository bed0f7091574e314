#include "RegistryContract.h"

#include <gtest/gtest.h>

#include "ERegistryException.h"
#include "TRegistry.h"

namespace contract {

namespace {

const reg::Handle LM = reg::kLocalMachine;
const reg::Handle CU = reg::kCurrentUser;

// A value beside the one a case works on; no case may touch it.
const char* const kNeighbour = "Neighbour";

std::string failGet(const char* name) { return std::string("Failed to get data for '") + name + "'"; }
std::string failSet(const char* name) { return std::string("Failed to set data for '") + name + "'"; }
std::string badType(const char* name) { return std::string("Invalid data type for '") + name + "'"; }

const char* opName(Op op) {
  switch (op) {
    case Op::ReadString: return "ReadString";
    case Op::ReadInteger: return "ReadInteger";
    case Op::ReadBool: return "ReadBool";
    case Op::WriteString: return "WriteString";
    case Op::WriteInteger: return "WriteInteger";
    case Op::WriteBool: return "WriteBool";
  }
  return "?";
}

bool isWrite(Op op) { return op == Op::WriteString || op == Op::WriteInteger || op == Op::WriteBool; }

// Runs fn and answers the text of the ERegistryException it raised, empty when none.
template <typename Fn>
std::string failureOf(Fn fn) {
  try {
    fn();
  } catch (const ERegistryException& e) {
    return e.what();
  }
  return {};
}

}  // namespace

void PrintTo(const StoredValue& value, std::ostream* os) {
  *os << "type " << value.type << " [";
  for (std::size_t i = 0; i < value.data.size(); ++i)
    *os << (i ? " " : "") << static_cast<int>(value.data[i]);
  *os << "]";
}

StoredValue sz(const std::string& text) {
  StoredValue v{reg::kSz, {text.begin(), text.end()}};
  v.data.push_back(0);
  return v;
}

StoredValue expandSz(const std::string& text) {
  StoredValue v = sz(text);
  v.type = reg::kExpandSz;
  return v;
}

StoredValue dword(std::uint32_t value) {
  StoredValue v{reg::kDword, {}};
  for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return v;
}

StoredValue raw(std::uint32_t type, std::vector<std::uint8_t> data) { return {type, std::move(data)}; }

StoredValue rawText(std::uint32_t type, const std::string& bytes) {
  return {type, {bytes.begin(), bytes.end()}};
}

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.title; }
void PrintTo(const StateCase& c, std::ostream* os) { *os << c.title; }
void PrintTo(const Scenario& s, std::ostream* os) { *os << s.title; }

std::vector<ValueCase> valueCases() {
  using namespace std::string_literals;
  return {
      // read string
      {.title = "ReadStringAnswersText", .before = sz("Lib 1"), .op = Op::ReadString,
       .answerText = "Lib 1"},
      {.title = "ReadStringCutsAtFirstZero", .before = rawText(reg::kSz, "Lib\0 2\0"s),
       .op = Op::ReadString, .answerText = "Lib"},
      {.title = "ReadStringWithoutTerminatingZero", .before = rawText(reg::kSz, "Lib 3"),
       .op = Op::ReadString, .answerText = "Lib 3"},
      {.title = "ReadStringLeavesExpandSzUnexpanded", .before = expandSz("%HOMEPATH%\\Lib %1"),
       .op = Op::ReadString, .answerText = "%HOMEPATH%\\Lib %1"},
      {.title = "ReadStringKeepsEightBitText", .before = sz("Bibliot\xe8que"),
       .op = Op::ReadString, .answerText = "Bibliot\xe8que"},
      {.title = "ReadStringMissingValueIsEmpty", .op = Op::ReadString, .answerText = ""},
      {.title = "ReadStringNoKeyOpenIsEmpty", .keyPresent = false, .op = Op::ReadString,
       .answerText = ""},
      {.title = "ReadStringNoDataIsEmpty", .before = raw(reg::kSz, {}), .op = Op::ReadString,
       .answerText = ""},
      {.title = "ReadStringOtherTypeNoDataIsEmpty", .before = raw(reg::kBinary, {}),
       .op = Op::ReadString, .answerText = ""},
      {.title = "ReadStringOfDwordFails", .before = dword(1), .op = Op::ReadString,
       .error = badType("Library Name")},
      {.title = "ReadStringOfBinaryFails", .before = rawText(reg::kBinary, "Lib 1"),
       .op = Op::ReadString, .error = badType("Library Name")},
      {.title = "ReadStringOfMultiSzFails", .before = rawText(reg::kMultiSz, "a\0b\0\0"s),
       .op = Op::ReadString, .error = badType("Library Name")},

      // read integer
      {.title = "ReadIntegerAnswersDword", .name = "First Use", .before = dword(0x12345678),
       .op = Op::ReadInteger, .answerNumber = 0x12345678},
      {.title = "ReadIntegerIsSigned", .name = "First Use", .before = dword(0xFFFFFFFF),
       .op = Op::ReadInteger, .answerNumber = -1},
      {.title = "ReadInteger257", .name = "First Use", .before = dword(257),
       .op = Op::ReadInteger, .answerNumber = 257},
      {.title = "ReadIntegerMissingValueFails", .name = "First Use", .op = Op::ReadInteger,
       .error = failGet("First Use")},
      {.title = "ReadIntegerNoKeyOpenFails", .keyPresent = false, .name = "First Use",
       .op = Op::ReadInteger, .error = failGet("First Use")},
      {.title = "ReadIntegerOfShortSzFailsOnType", .name = "First Use", .before = sz("1"),
       .op = Op::ReadInteger, .error = badType("First Use")},
      {.title = "ReadIntegerOfFourByteSzFailsOnType", .name = "First Use", .before = sz("123"),
       .op = Op::ReadInteger, .error = badType("First Use")},
      {.title = "ReadIntegerOfLongSzFailsToGet", .name = "First Use", .before = sz("1234"),
       .op = Op::ReadInteger, .error = failGet("First Use")},
      {.title = "ReadIntegerOfBinaryFailsOnType", .name = "First Use",
       .before = raw(reg::kBinary, {1, 0, 0, 0}), .op = Op::ReadInteger,
       .error = badType("First Use")},
      {.title = "ReadIntegerOfEightBytesFailsToGet", .name = "First Use",
       .before = raw(reg::kQword, {1, 0, 0, 0, 0, 0, 0, 0}), .op = Op::ReadInteger,
       .error = failGet("First Use")},

      // read boolean
      {.title = "ReadBoolOfTwoIsTrue", .name = "Overwrite Library", .before = dword(2),
       .op = Op::ReadBool, .answerNumber = 1},
      {.title = "ReadBoolOfOneIsTrue", .name = "Overwrite Library", .before = dword(1),
       .op = Op::ReadBool, .answerNumber = 1},
      {.title = "ReadBoolOfZeroIsFalse", .name = "Copy Content", .before = dword(0),
       .op = Op::ReadBool, .answerNumber = 0},
      {.title = "ReadBoolOf256IsTrue", .name = "Copy Content", .before = dword(256),
       .op = Op::ReadBool, .answerNumber = 1},
      {.title = "ReadBoolMissingFails", .name = "Overwrite Library", .op = Op::ReadBool,
       .error = failGet("Overwrite Library")},
      {.title = "ReadBoolNoKeyOpenFails", .keyPresent = false, .name = "Copy Content",
       .op = Op::ReadBool, .error = failGet("Copy Content")},
      {.title = "ReadBoolOfSzFailsOnType", .name = "Copy Content", .before = sz("1"),
       .op = Op::ReadBool, .error = badType("Copy Content")},

      // write integer and boolean
      {.title = "WriteIntegerCreatesDword", .name = "First Use", .op = Op::WriteInteger,
       .number = 1, .after = dword(1)},
      {.title = "WriteIntegerReplacesDword", .name = "First Use", .before = dword(0),
       .op = Op::WriteInteger, .number = 1, .after = dword(1)},
      {.title = "WriteIntegerReplacesOtherType", .name = "First Use", .before = sz("1234"),
       .op = Op::WriteInteger, .number = 1, .after = dword(1)},
      {.title = "WriteIntegerNegative", .name = "First Use", .op = Op::WriteInteger,
       .number = -2, .after = dword(0xFFFFFFFE)},
      {.title = "WriteIntegerNoKeyOpenFails", .keyPresent = false, .name = "First Use",
       .op = Op::WriteInteger, .number = 1, .error = failSet("First Use")},
      {.title = "WriteIntegerRefusedKeepsValue", .changesFail = true, .name = "First Use",
       .before = dword(0), .op = Op::WriteInteger, .number = 1, .error = failSet("First Use")},
      {.title = "WriteBoolTrueStoresOne", .name = "Overwrite Library", .before = dword(2),
       .op = Op::WriteBool, .number = 1, .after = dword(1)},
      {.title = "WriteBoolFalseStoresZero", .name = "Copy Content", .before = dword(1),
       .op = Op::WriteBool, .number = 0, .after = dword(0)},
      {.title = "WriteBoolNoKeyOpenFails", .keyPresent = false, .name = "Overwrite Library",
       .op = Op::WriteBool, .number = 1, .error = failSet("Overwrite Library")},
      {.title = "WriteBoolRefusedKeepsValue", .changesFail = true, .name = "Copy Content",
       .before = dword(1), .op = Op::WriteBool, .number = 0, .error = failSet("Copy Content")},

      // write string
      {.title = "WriteStringStoresTextAndOneZero", .op = Op::WriteString, .text = "Lib 1",
       .after = rawText(reg::kSz, "Lib 1\0"s)},
      {.title = "WriteStringEmptyStoresOneZero", .before = sz("Lib 1"), .op = Op::WriteString,
       .text = "", .after = rawText(reg::kSz, "\0"s)},
      {.title = "WriteStringReplacesExpandSz", .before = expandSz("%X%"), .op = Op::WriteString,
       .text = "Party Mix", .after = sz("Party Mix")},
      {.title = "WriteStringKeepsQuotesAndBackslashes", .op = Op::WriteString,
       .text = "a \"b\" \\c\\ [d]=e", .after = sz("a \"b\" \\c\\ [d]=e")},
      {.title = "WriteStringNoKeyOpenFails", .keyPresent = false, .op = Op::WriteString,
       .text = "Lib 2", .error = failSet("Library Name")},
      {.title = "WriteStringRefusedKeepsValue", .changesFail = true, .before = sz("Lib 1"),
       .op = Op::WriteString, .text = "Lib 2", .error = failSet("Library Name")},
  };
}

void runValueCase(RegistryHarness& harness, const ValueCase& c) {
  SCOPED_TRACE(c.title);
  const std::optional<StoredValue> neighbour = sz("untouched");
  if (c.keyPresent) {
    harness.createKey(LM, kSettings);
    harness.storeValue(LM, kSettings, kNeighbour, *neighbour);
    if (c.before) harness.storeValue(LM, kSettings, c.name, *c.before);
  }

  TRegistry accessor(harness.backend());
  accessor.SetRootKey(LM);
  ASSERT_EQ(accessor.OpenKey(kSettings), c.keyPresent);
  if (c.changesFail && !harness.makeChangesFail(LM))
    GTEST_SKIP() << "this backend cannot be made to refuse changes";

  const reg::Handle root = accessor.RootKey();
  const reg::Handle key = accessor.CurrentKey();
  const std::string path = accessor.CurrentPath();

  std::string answerText;
  std::int32_t answerNumber = 0;
  const std::string error = failureOf([&] {
    switch (c.op) {
      case Op::ReadString: answerText = accessor.ReadString(c.name); break;
      case Op::ReadInteger: answerNumber = accessor.ReadInteger(c.name); break;
      case Op::ReadBool: answerNumber = accessor.ReadBool(c.name) ? 1 : 0; break;
      case Op::WriteString: accessor.WriteString(c.name, c.text); break;
      case Op::WriteInteger: accessor.WriteInteger(c.name, c.number); break;
      case Op::WriteBool: accessor.WriteBool(c.name, c.number != 0); break;
    }
  });

  EXPECT_EQ(error, c.error) << opName(c.op) << " '" << c.name << "'";
  if (error.empty()) {
    EXPECT_EQ(answerText, c.answerText);
    EXPECT_EQ(answerNumber, c.answerNumber);
  }
  // Neither the accessor nor anything else stored changes, except what a write stores.
  EXPECT_EQ(accessor.RootKey(), root);
  EXPECT_EQ(accessor.CurrentKey(), key);
  EXPECT_EQ(accessor.CurrentPath(), path);
  const bool stored = isWrite(c.op) && error.empty();
  EXPECT_EQ(harness.storedValue(LM, kSettings, c.name), stored ? c.after : c.before);
  if (c.keyPresent) {
    EXPECT_EQ(harness.storedValue(LM, kSettings, kNeighbour), neighbour);
  } else {
    EXPECT_FALSE(harness.keyExists(LM, kSettings)) << "an operation made the settings key";
  }
}

std::vector<StateCase> stateCases() {
  const char* S = kSettings;
  return {
      {.title = "NewAccessorHasCurrentUserAndNoKey", .endRoot = CU},
      {.title = "SelectSameRootKeepsOpenKey", .startRoot = LM, .startOpen = S,
       .action = Action::SetRoot, .root = LM, .endRoot = LM, .endOpen = S,
       .endMarker = "LM Molvane"},
      {.title = "SelectOtherRootClosesOpenKey", .startRoot = LM, .startOpen = S,
       .action = Action::SetRoot, .root = CU, .endRoot = CU},
      {.title = "SelectOtherRootWithNoKeyOpen", .startRoot = CU, .action = Action::SetRoot,
       .root = LM, .endRoot = LM},
      {.title = "OpenBelowRoot", .startRoot = LM, .action = Action::OpenKey, .path = S,
       .answer = true, .endRoot = LM, .endOpen = S, .endMarker = "LM Molvane"},
      {.title = "OpenBelowOtherRoot", .startRoot = CU, .action = Action::OpenKey, .path = S,
       .answer = true, .endRoot = CU, .endOpen = S, .endMarker = "CU Molvane"},
      {.title = "OpenBelowOpenKey", .startRoot = LM, .startOpen = "Software",
       .action = Action::OpenKey, .path = "Zarnet\\Molvane", .answer = true, .endRoot = LM,
       .endOpen = S, .endMarker = "LM Molvane"},
      {.title = "OpenSettingsBelowSettingsFailsAndKeepsIt", .startRoot = LM, .startOpen = S,
       .action = Action::OpenKey, .path = S, .answer = false, .endRoot = LM, .endOpen = S,
       .endMarker = "LM Molvane"},
      {.title = "OpenWithLeadingBackslashStartsAtRoot", .startRoot = LM,
       .startOpen = "Software\\Zarnet", .action = Action::OpenKey, .path = "\\Software",
       .answer = true, .endRoot = LM, .endOpen = "Software", .endMarker = "LM Software"},
      {.title = "OpenEmptyPathReopensOpenKey", .startRoot = LM, .startOpen = S,
       .action = Action::OpenKey, .path = "", .answer = true, .endRoot = LM, .endOpen = S,
       .endMarker = "LM Molvane"},
      {.title = "OpenMissingWithNoKeyOpen", .startRoot = LM, .action = Action::OpenKey,
       .path = "Software\\Zarnet\\Absent", .answer = false, .endRoot = LM},
      {.title = "OpenMissingKeepsOpenKey", .startRoot = LM, .startOpen = "Software\\Zarnet",
       .action = Action::OpenKey, .path = "Absent", .answer = false, .endRoot = LM,
       .endOpen = "Software\\Zarnet", .endMarker = "LM Zarnet"},
      {.title = "OpenIgnoresCase", .startRoot = LM, .action = Action::OpenKey,
       .path = "SOFTWARE\\zarnet\\MolVane", .answer = true, .endRoot = LM,
       .endOpen = "SOFTWARE\\zarnet\\MolVane", .endMarker = "LM Molvane"},
      {.title = "OpenBelowOtherRootSeesOnlyItsKeys", .startRoot = CU, .action = Action::OpenKey,
       .path = "Software\\Zarnet", .answer = true, .endRoot = CU, .endOpen = "Software\\Zarnet",
       .endMarker = ""},
      {.title = "KeyExistsBelowOpenKeyKeepsIt", .startRoot = LM, .startOpen = "Software",
       .action = Action::KeyExists, .path = "Zarnet\\Molvane", .answer = true, .endRoot = LM,
       .endOpen = "Software", .endMarker = "LM Software"},
      {.title = "KeyExistsRelativeToSettingsIsFalse", .startRoot = LM, .startOpen = S,
       .action = Action::KeyExists, .path = S, .answer = false, .endRoot = LM, .endOpen = S,
       .endMarker = "LM Molvane"},
      {.title = "KeyExistsBelowRoot", .startRoot = LM, .action = Action::KeyExists, .path = S,
       .answer = true, .endRoot = LM},
      {.title = "KeyExistsMissing", .startRoot = LM, .action = Action::KeyExists,
       .path = "Software\\Apple Computer, Inc.\\iTunes", .answer = false, .endRoot = LM},
      {.title = "KeyExistsWithLeadingBackslash", .startRoot = LM, .startOpen = S,
       .action = Action::KeyExists, .path = "\\Software\\Zarnet", .answer = true, .endRoot = LM,
       .endOpen = S, .endMarker = "LM Molvane"},
      {.title = "CloseKeyLeavesRoot", .startRoot = LM, .startOpen = S, .action = Action::CloseKey,
       .endRoot = LM},
  };
}

void runStateCase(RegistryHarness& harness, const StateCase& c) {
  SCOPED_TRACE(c.title);
  harness.createKey(LM, kSettings);
  harness.storeValue(LM, "Software", "Marker", sz("LM Software"));
  harness.storeValue(LM, "Software\\Zarnet", "Marker", sz("LM Zarnet"));
  harness.storeValue(LM, kSettings, "Marker", sz("LM Molvane"));
  harness.createKey(CU, kSettings);
  harness.storeValue(CU, kSettings, "Marker", sz("CU Molvane"));

  TRegistry accessor(harness.backend());
  if (c.startRoot != reg::kNoKey) accessor.SetRootKey(c.startRoot);
  if (c.startOpen) {
    ASSERT_TRUE(accessor.OpenKey(c.startOpen));
  }

  bool answer = false;
  switch (c.action) {
    case Action::None: break;
    case Action::SetRoot: accessor.SetRootKey(c.root); break;
    case Action::OpenKey: answer = accessor.OpenKey(c.path); break;
    case Action::KeyExists: answer = accessor.KeyExists(c.path); break;
    case Action::CloseKey: accessor.CloseKey(); break;
  }

  if (c.action == Action::OpenKey || c.action == Action::KeyExists) {
    EXPECT_EQ(answer, c.answer) << c.path;
  }
  EXPECT_EQ(accessor.RootKey(), c.endRoot);
  EXPECT_EQ(accessor.Access(), reg::kAllAccess);
  if (c.endOpen) {
    EXPECT_NE(accessor.CurrentKey(), reg::kNoKey);
    EXPECT_EQ(accessor.CurrentPath(), c.endOpen);
  } else {
    EXPECT_EQ(accessor.CurrentKey(), reg::kNoKey);
    EXPECT_EQ(accessor.CurrentPath(), "");
  }
  EXPECT_EQ(accessor.ReadString("Marker"), c.endMarker);
  // Opening never creates a key.
  EXPECT_FALSE(harness.keyExists(LM, "Software\\Zarnet\\Molvane\\Software"));
  EXPECT_FALSE(harness.keyExists(LM, "Software\\Zarnet\\Absent"));
  EXPECT_FALSE(harness.keyExists(LM, "Software\\Apple Computer, Inc."));
}

namespace {

void writesFailUntilKeyExists(RegistryHarness& h) {
  TRegistry accessor(h.backend());
  accessor.SetRootKey(LM);
  EXPECT_FALSE(accessor.OpenKey(kSettings));
  EXPECT_EQ(failureOf([&] { accessor.WriteBool("Overwrite Library", true); }),
            failSet("Overwrite Library"));
  EXPECT_EQ(failureOf([&] { accessor.WriteString("Library Name", "Lib 2"); }),
            failSet("Library Name"));
  EXPECT_FALSE(h.keyExists(LM, kSettings));

  // The key comes to exist (an installer ran); the next activation's open finds it.
  h.createKey(LM, kSettings);
  accessor.SetRootKey(LM);
  EXPECT_TRUE(accessor.OpenKey(kSettings));
  EXPECT_EQ(failureOf([&] { accessor.WriteString("Library Name", "Lib 2"); }), "");
  EXPECT_EQ(failureOf([&] { accessor.WriteBool("Overwrite Library", true); }), "");
  EXPECT_EQ(failureOf([&] { accessor.WriteBool("Copy Content", false); }), "");
  EXPECT_EQ(h.storedValue(LM, kSettings, "Library Name"), sz("Lib 2"));
  EXPECT_EQ(h.storedValue(LM, kSettings, "Overwrite Library"), dword(1));
  EXPECT_EQ(h.storedValue(LM, kSettings, "Copy Content"), dword(0));
}

// Activating a library while the settings key is open: the open below it fails and the name
// goes into the settings key, with no nested key made.
void activationWritesIntoOpenSettingsKey(RegistryHarness& h) {
  h.createKey(LM, kSettings);
  h.storeValue(LM, kSettings, "Library Name", sz("Lib 1"));
  TRegistry accessor(h.backend());
  accessor.SetRootKey(LM);
  ASSERT_TRUE(accessor.OpenKey(kSettings));

  accessor.SetRootKey(LM);
  EXPECT_FALSE(accessor.OpenKey(kSettings));
  accessor.WriteString("Library Name", "Lib 1");
  EXPECT_EQ(h.storedValue(LM, kSettings, "Library Name"), rawText(reg::kSz, std::string("Lib 1\0", 6)));
  EXPECT_FALSE(h.keyExists(LM, "Software\\Zarnet\\Molvane\\Software"));
}

// A boolean stored as 2 reads as true and the next option click stores it as 1.
void booleanTwoWrittenBackAsOne(RegistryHarness& h) {
  h.createKey(LM, kSettings);
  h.storeValue(LM, kSettings, "Overwrite Library", dword(2));
  h.storeValue(LM, kSettings, "Copy Content", dword(0));
  TRegistry accessor(h.backend());
  accessor.SetRootKey(LM);
  ASSERT_TRUE(accessor.OpenKey(kSettings));
  const bool overwrite = accessor.ReadBool("Overwrite Library");
  const bool copy = accessor.ReadBool("Copy Content");
  EXPECT_TRUE(overwrite);
  EXPECT_FALSE(copy);
  accessor.WriteBool("Overwrite Library", overwrite);
  accessor.WriteBool("Copy Content", copy);
  EXPECT_EQ(h.storedValue(LM, kSettings, "Overwrite Library"), dword(1));
  EXPECT_EQ(h.storedValue(LM, kSettings, "Copy Content"), dword(0));
}

// Values written through the accessor read back through a new accessor exactly.
void writtenValuesReadBack(RegistryHarness& h) {
  h.createKey(LM, kSettings);
  {
    TRegistry writer(h.backend());
    writer.SetRootKey(LM);
    ASSERT_TRUE(writer.OpenKey(kSettings));
    writer.WriteString("Library Name", "Party Mix");
    writer.WriteInteger("First Use", 257);
    writer.WriteBool("Overwrite Library", false);
  }
  TRegistry reader(h.backend());
  reader.SetRootKey(LM);
  ASSERT_TRUE(reader.OpenKey(kSettings));
  EXPECT_EQ(reader.ReadString("Library Name"), "Party Mix");
  EXPECT_EQ(reader.ReadInteger("First Use"), 257);
  EXPECT_FALSE(reader.ReadBool("Overwrite Library"));
}

}  // namespace

std::vector<Scenario> scenarios() {
  return {
      {"WritesFailUntilKeyExists", writesFailUntilKeyExists},
      {"ActivationWritesIntoOpenSettingsKey", activationWritesIntoOpenSettingsKey},
      {"BooleanTwoWrittenBackAsOne", booleanTwoWrittenBackAsOne},
      {"WrittenValuesReadBack", writtenValuesReadBack},
  };
}

}  // namespace contract
