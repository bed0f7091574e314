#include "registry/HiveFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/RegistryBackend.h"

using namespace std::string_literals;

namespace {

// Test names from the cases' titles.
struct TitleName {
  template <typename Info>
  std::string operator()(const Info& param) const {
    return param.param.title;
  }
};

std::vector<std::uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

HiveFormat::Hive oneValue(const std::string& name, std::uint32_t type,
                          std::vector<std::uint8_t> data) {
  HiveFormat::Hive hive;
  hive.ensure("HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane").set(name, type, std::move(data));
  return hive;
}

// The value line(s) of the single value in a written one-value hive.
std::string valueText(const std::string& written) {
  const std::string marker = "Molvane]\r\n";
  const auto start = written.find(marker) + marker.size();
  return written.substr(start, written.size() - start - 4);
}

struct TypeCase {
  const char* title;
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  const char* line;  // the value's line as written, "" to check the round trip only
};

std::vector<std::uint8_t> counting(std::size_t n) {
  std::vector<std::uint8_t> v;
  for (std::size_t i = 0; i < n; ++i) v.push_back(static_cast<std::uint8_t>(i * 7));
  return v;
}

class HiveTypeRoundTrip : public ::testing::TestWithParam<TypeCase> {};

TEST_P(HiveTypeRoundTrip, KeepsTypeAndBytes) {
  const TypeCase& c = GetParam();
  const std::string written = HiveFormat::write(oneValue("V", c.type, c.data));
  if (*c.line) {
    EXPECT_EQ(valueText(written), c.line);
  }

  const HiveFormat::Hive read = HiveFormat::parse(written);
  const HiveFormat::Key* key = read.find("HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 1u);
  EXPECT_EQ(key->values[0].name, "V");
  EXPECT_EQ(key->values[0].type, c.type);
  EXPECT_EQ(key->values[0].data, c.data);
  EXPECT_EQ(HiveFormat::write(read), written);
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, HiveTypeRoundTrip,
    ::testing::Values(
        TypeCase{"SzText", reg::kSz, bytes("Lib 1\0"s), "\"V\"=\"Lib 1\""},
        TypeCase{"SzEscapes", reg::kSz, bytes("a\\b\"c\"\\\0"s), "\"V\"=\"a\\\\b\\\"c\\\"\\\\\""},
        TypeCase{"SzEmptyText", reg::kSz, bytes("\0"s), "\"V\"=\"\""},
        TypeCase{"SzEightBit", reg::kSz, bytes("Caf\xe9 \xff\0"s), "\"V\"=\"Caf\xe9 \xff\""},
        TypeCase{"SzNoData", reg::kSz, {}, "\"V\"=hex(1):"},
        TypeCase{"SzWithoutZero", reg::kSz, bytes("Lib"), "\"V\"=hex(1):4c,69,62"},
        TypeCase{"SzEmbeddedZero", reg::kSz, bytes("a\0b\0"s), "\"V\"=hex(1):61,00,62,00"},
        TypeCase{"SzTwoZeros", reg::kSz, bytes("a\0\0"s), "\"V\"=hex(1):61,00,00"},
        TypeCase{"SzLineBreak", reg::kSz, bytes("a\r\nb\0"s), "\"V\"=hex(1):61,0d,0a,62,00"},
        TypeCase{"ExpandSz", reg::kExpandSz, bytes("%A%\0"s), "\"V\"=hex(2):25,41,25,00"},
        TypeCase{"BinaryEmpty", reg::kBinary, {}, "\"V\"=hex:"},
        TypeCase{"Binary", reg::kBinary, {0x00, 0xab, 0xff}, "\"V\"=hex:00,ab,ff"},
        TypeCase{"BinaryLong", reg::kBinary, counting(300), ""},
        TypeCase{"Dword", reg::kDword, {0x78, 0x56, 0x34, 0x12}, "\"V\"=dword:12345678"},
        TypeCase{"DwordZero", reg::kDword, {0, 0, 0, 0}, "\"V\"=dword:00000000"},
        TypeCase{"DwordShort", reg::kDword, {1, 2}, "\"V\"=hex(4):01,02"},
        TypeCase{"DwordLong", reg::kDword, {1, 2, 3, 4, 5}, "\"V\"=hex(4):01,02,03,04,05"},
        TypeCase{"MultiSz", reg::kMultiSz, bytes("a\0b\0\0"s), "\"V\"=hex(7):61,00,62,00,00"},
        TypeCase{"Qword", reg::kQword, {1, 0, 0, 0, 0, 0, 0, 0},
                 "\"V\"=hex(b):01,00,00,00,00,00,00,00"},
        TypeCase{"None", reg::kNone, {7}, "\"V\"=hex(0):07"},
        TypeCase{"LargeTypeNumber", 0x12345678u, {1}, "\"V\"=hex(12345678):01"}),
    TitleName());

TEST(HiveFormatWrite, WritesRegeditLayout) {
  HiveFormat::Hive hive;
  HiveFormat::Key& key = hive.ensure("HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane");
  key.set("Library Name", reg::kSz, bytes("Lib 1\0"s));
  key.set("", reg::kSz, bytes("default\0"s));
  EXPECT_EQ(HiveFormat::write(hive),
            "REGEDIT4\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software]\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Zarnet]\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane]\r\n"
            "\"Library Name\"=\"Lib 1\"\r\n"
            "@=\"default\"\r\n"
            "\r\n");
}

TEST(HiveFormatWrite, WrapsLongHexDataLikeRegedit) {
  const std::string written = HiveFormat::write(oneValue("V", reg::kBinary, counting(100)));
  const std::string text = valueText(written);
  std::size_t lines = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    EXPECT_LE(line.size(), 80u) << line;
    if (end < text.size()) {
      EXPECT_EQ(line.substr(line.size() - 2), ",\\") << line;
    }
    if (lines > 0) {
      EXPECT_EQ(line.substr(0, 2), "  ") << line;
    }
    ++lines;
    start = end + 2;
  }
  EXPECT_GT(lines, 3u);
}

TEST(HiveFormatWrite, RefusesNamesWithLineBreaks) {
  EXPECT_THROW(HiveFormat::write(oneValue("a\nb", reg::kDword, {0, 0, 0, 0})),
               std::invalid_argument);
  HiveFormat::Hive hive;
  hive.ensure("HKEY_LOCAL_MACHINE\\a\rb");
  EXPECT_THROW(HiveFormat::write(hive), std::invalid_argument);
}

struct NameCase {
  const char* title;
  std::string keyName;
  std::string valueName;
};

class HiveNameRoundTrip : public ::testing::TestWithParam<NameCase> {};

TEST_P(HiveNameRoundTrip, KeepsKeyAndValueNames) {
  const NameCase& c = GetParam();
  HiveFormat::Hive hive;
  const std::string path = "HKEY_CURRENT_USER\\Software\\" + c.keyName;
  hive.ensure(path).set(c.valueName, reg::kSz, bytes("x\0"s));
  hive.ensure(path).set("after", reg::kDword, {1, 0, 0, 0});

  const HiveFormat::Hive read = HiveFormat::parse(HiveFormat::write(hive));
  ASSERT_EQ(read.keys.size(), 2u);
  EXPECT_EQ(read.keys[1].path, path);
  ASSERT_EQ(read.keys[1].values.size(), 2u);
  EXPECT_EQ(read.keys[1].values[0].name, c.valueName);
  EXPECT_EQ(read.keys[1].values[0].data, bytes("x\0"s));
  EXPECT_EQ(read.keys[1].values[1].name, "after");
}

INSTANTIATE_TEST_SUITE_P(
    Names, HiveNameRoundTrip,
    ::testing::Values(NameCase{"Plain", "Molvane", "Library Name"},
                      NameCase{"Equals", "a=b", "x=\"y\""},
                      NameCase{"Brackets", "[x]y]", "]"},
                      NameCase{"Quotes", "say \"hi\"", "\"quoted\""},
                      NameCase{"Backslashes", "key", "a\\b\\"},
                      NameCase{"At", "@", "@"},
                      NameCase{"Default", "key", ""},
                      NameCase{"Spaces", " padded ", " padded "},
                      NameCase{"Semicolon", ";not a comment", ";x"},
                      NameCase{"EightBit", "Cl\xe9", "Val\xe9ur"}),
    TitleName());

TEST(HiveFormatParse, ReadsWhatRegeditWrites) {
  const std::string text =
      "REGEDIT4\r\n"
      "\r\n"
      "; exported by hand\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane]\r\n"
      "\"Library Name\"=\"Lib 1\"\r\n"
      "\"First Use\"=dword:00000001\r\n"
      "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
      "  17,18,19,1A,1B\r\n"
      "\"Path\"=hex(2):25,48,4f,4d,45,25,00\r\n"
      "@=\"default\"\r\n"
      "\r\n"
      "  ; an indented comment\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
      "\"Big\"=hex(b):ff,ff,ff,ff,ff,ff,ff,7f\r\n"
      "\r\n";
  const HiveFormat::Hive hive = HiveFormat::parse(text);
  ASSERT_EQ(hive.keys.size(), 2u);
  const HiveFormat::Key& k = hive.keys[0];
  EXPECT_EQ(k.path, "HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane");
  EXPECT_EQ(k.line, 4);
  ASSERT_EQ(k.values.size(), 5u);
  EXPECT_EQ(k.values[0].type, reg::kSz);
  EXPECT_EQ(k.values[0].data, bytes("Lib 1\0"s));
  EXPECT_EQ(k.values[1].type, reg::kDword);
  EXPECT_EQ(k.values[1].data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(k.values[2].type, reg::kBinary);
  std::vector<std::uint8_t> blob;
  for (std::uint8_t i = 0; i < 28; ++i) blob.push_back(i);
  EXPECT_EQ(k.values[2].data, blob);
  EXPECT_EQ(k.values[3].type, reg::kExpandSz);
  EXPECT_EQ(k.values[3].data, bytes("%HOME%\0"s));
  EXPECT_EQ(k.values[4].name, "");
  EXPECT_EQ(k.values[4].data, bytes("default\0"s));
  EXPECT_EQ(hive.keys[1].values[0].type, reg::kQword);
  EXPECT_EQ(hive.keys[1].line, 13);

  // The same text with LF line ends reads the same.
  std::string lf = text;
  std::erase(lf, '\r');
  const HiveFormat::Hive fromLf = HiveFormat::parse(lf);
  EXPECT_EQ(HiveFormat::write(fromLf), HiveFormat::write(hive));
}

TEST(HiveFormatParse, AcceptsLooseSpellings) {
  const HiveFormat::Hive hive = HiveFormat::parse(
      "REGEDIT4  \n"
      "[HKEY_CURRENT_USER\\A]  \n"
      "\"d\" = DWORD:1f\n"
      "\"h\"=HEX(2):41 , 0,\\\n"
      "\n"
      "\"e\"=hex:\n"
      "\"z\"=hex:01,02,\n"
      "\"p\"=\"C:\\Program Files\\x\"\n");
  const HiveFormat::Key& k = hive.keys.at(0);
  ASSERT_EQ(k.values.size(), 5u);
  EXPECT_EQ(k.values[0].data, (std::vector<std::uint8_t>{0x1f, 0, 0, 0}));
  // The continuation joins an empty line: the data ends there.
  EXPECT_EQ(k.values[1].type, 2u);
  EXPECT_EQ(k.values[1].data, (std::vector<std::uint8_t>{0x41, 0}));
  EXPECT_TRUE(k.values[2].data.empty());
  EXPECT_EQ(k.values[3].data, (std::vector<std::uint8_t>{1, 2}));
  // A backslash before anything but \ or " stays as it is.
  EXPECT_EQ(k.values[4].data, bytes("C:\\Program Files\\x\0"s));
}

TEST(HiveFormatParse, KeyNamedAgainAddsToItAndValueNamedAgainReplaces) {
  const HiveFormat::Hive hive = HiveFormat::parse(
      "REGEDIT4\n"
      "[HKEY_CURRENT_USER\\Software\\Zarnet]\n"
      "\"One\"=\"1\"\n"
      "[HKEY_CURRENT_USER\\Other]\n"
      "[hkey_current_user\\SOFTWARE\\zarnet]\n"
      "\"ONE\"=dword:00000001\n"
      "\"Two\"=\"2\"\n");
  ASSERT_EQ(hive.keys.size(), 2u);
  const HiveFormat::Key& k = hive.keys[0];
  ASSERT_EQ(k.values.size(), 2u);
  EXPECT_EQ(k.values[0].name, "One");
  EXPECT_EQ(k.values[0].type, reg::kDword);
  EXPECT_EQ(k.values[1].name, "Two");
}

struct BadText {
  const char* title;
  std::string text;
  int line;
};

class HiveParseError : public ::testing::TestWithParam<BadText> {};

TEST_P(HiveParseError, NamesTheLine) {
  try {
    HiveFormat::parse(GetParam().text);
    FAIL() << "parsed without complaint";
  } catch (const HiveFormat::ParseError& e) {
    EXPECT_EQ(e.line(), GetParam().line) << e.what();
    EXPECT_FALSE(e.reason().empty());
    EXPECT_NE(std::string(e.what()).find("line " + std::to_string(GetParam().line)),
              std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HiveParseError,
    ::testing::Values(
        BadText{"Empty", "", 1},
        BadText{"NoHeader", "[HKEY_CURRENT_USER\\A]\r\n", 1},
        BadText{"UnicodeHeader", "Windows Registry Editor Version 5.00\r\n", 1},
        BadText{"ValueBeforeKey", "REGEDIT4\r\n\r\n\"a\"=\"b\"\r\n", 3},
        BadText{"Garbage", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\nname=1\r\n", 3},
        BadText{"UnclosedName", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a=\"b\"\n", 3},
        BadText{"UnclosedText", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\n", 3},
        BadText{"TextAfterQuote", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\" x\n", 3},
        BadText{"NoEquals", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\" \"b\"\n", 3},
        BadText{"LongDword", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:123456789\n", 3},
        BadText{"EmptyDword", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:\n", 3},
        BadText{"BadHexByte", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,1g\n", 3},
        BadText{"WideHexByte", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:012\n", 3},
        BadText{"BadByteOnContinuation",
                "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,\\\n  02,\\\n  zz\n", 5},
        BadText{"ContinuationAtEnd", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,\\", 3},
        BadText{"EmptyHexItem", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,,02\n", 3},
        BadText{"BadTypeNumber", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex(q):01\n", 3},
        BadText{"UnknownData", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=qword:1\n", 3},
        BadText{"DeleteValue", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=-\n", 3},
        BadText{"DeleteKey", "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\A]\r\n", 3},
        BadText{"EmptyKey", "REGEDIT4\n[]\n", 2},
        BadText{"EmptyKeyName", "REGEDIT4\n[HKEY_CURRENT_USER\\\\A]\n", 2},
        BadText{"TrailingBackslash", "REGEDIT4\n[HKEY_CURRENT_USER\\A\\]\n", 2},
        BadText{"UnclosedKey", "REGEDIT4\n[HKEY_CURRENT_USER\\A\n", 2},
        BadText{"TextAfterKey", "REGEDIT4\n[HKEY_CURRENT_USER\\A] x\n", 2},
        BadText{"CrLfLineCount",
                "REGEDIT4\r\n\r\n; c\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"1\"\r\n\"b\"=dword:x\r\n",
                6}),
    TitleName());

TEST(HiveModel, KeyExistsWhenAKeyBelowItIsListed) {
  HiveFormat::Hive hive = HiveFormat::parse("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane]\n");
  EXPECT_TRUE(hive.exists("HKEY_LOCAL_MACHINE\\software"));
  EXPECT_TRUE(hive.exists("HKEY_LOCAL_MACHINE\\Software\\ZARNET\\Molvane"));
  EXPECT_FALSE(hive.exists("HKEY_LOCAL_MACHINE\\Soft"));
  EXPECT_FALSE(hive.exists("HKEY_LOCAL_MACHINE\\Software\\Zarnet\\Molvane\\Sub"));
  EXPECT_EQ(hive.find("HKEY_LOCAL_MACHINE\\Software"), nullptr);
}

TEST(HiveModel, EnsureMakesTheLevelsAboveOnce) {
  HiveFormat::Hive hive;
  hive.ensure("HKEY_CURRENT_USER\\A\\B");
  hive.ensure("hkey_current_user\\a\\b\\C");
  ASSERT_EQ(hive.keys.size(), 3u);
  EXPECT_EQ(hive.keys[0].path, "HKEY_CURRENT_USER\\A");
  EXPECT_EQ(hive.keys[1].path, "HKEY_CURRENT_USER\\A\\B");
  EXPECT_EQ(hive.keys[2].path, "hkey_current_user\\a\\b\\C");
}

TEST(HiveModel, SetReplacesIgnoringCaseAndKeepsTheFirstSpelling) {
  HiveFormat::Key key;
  key.set("Library Name", reg::kSz, bytes("a\0"s));
  key.set("LIBRARY NAME", reg::kDword, {1, 0, 0, 0});
  ASSERT_EQ(key.values.size(), 1u);
  EXPECT_EQ(key.values[0].name, "Library Name");
  EXPECT_EQ(key.values[0].type, reg::kDword);
  EXPECT_NE(key.find("library name"), nullptr);
  EXPECT_EQ(key.find("Library"), nullptr);
}

TEST(HiveModel, RemoveTakesTheKeyAndItsSubkeysOnly) {
  HiveFormat::Hive hive;
  hive.ensure("HKEY_CURRENT_USER\\Volatile Environment\\1");
  hive.ensure("HKEY_CURRENT_USER\\Volatile Environment2");
  hive.remove("HKEY_CURRENT_USER\\volatile environment");
  ASSERT_EQ(hive.keys.size(), 1u);
  EXPECT_EQ(hive.keys[0].path, "HKEY_CURRENT_USER\\Volatile Environment2");
}

}  // namespace
