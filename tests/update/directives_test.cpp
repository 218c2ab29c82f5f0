// Directive line splitting, un-escaping and token substitution, as tables of cases.
#include "update/directives.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

const char* g_drive_root = nullptr;
int g_drive_lookups = 0;

const char* TestDriveRoot() {
  ++g_drive_lookups;
  return g_drive_root;
}

class DirectivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetInstallFolderRecord("C:\\Games\\App");
    g_drive_root = "Q:\\";
    g_drive_lookups = 0;
    SetCdromRootLookup(TestDriveRoot);
  }
  void TearDown() override {
    SetInstallFolderRecord(nullptr);
    SetCdromRootLookup(nullptr);
  }
};

// Test names from the case names, with every other character turned into '_'.
struct CaseName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    std::string n = info.param.name;
    for (char& ch : n) {
      if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return n;
  }
};

// "ソ" is 83 5C and "表" is 95 5C in code page 932: their trail byte is a backslash.
constexpr char kSo[] = "ソ";

struct SubstituteCase {
  const char* name;
  const char* input;
  const char* ini;  // expected SubstituteIniTokens, null for a refused line
  const char* reg;  // expected SubstituteRegTokens
};

const SubstituteCase kSubstituteCases[] = {
    {"plain", "Key=Value", "Key=Value", "Key=Value"},
    {"install", "SavePath=REP_INSTALL\\save", "SavePath=C:\\Games\\App\\save",
     "SavePath=C:\\Games\\App\\save"},
    {"second install kept", "A=REP_INSTALL;REP_INSTALL", "A=C:\\Games\\App;REP_INSTALL",
     "A=C:\\Games\\App;REP_INSTALL"},
    {"cdromdrive", "Cd=REP_CDROMDRIVEdata", "Cd=Q:\\data", "Cd=Q:\\DRIVEdata"},
    {"cdrom alone", "Cd=REP_CDROM", "Cd=REP_CDROM", "Cd=Q:\\"},
    {"second cdrom kept", "REP_CDROMDRIVE REP_CDROMDRIVE", "Q:\\ REP_CDROMDRIVE",
     "Q:\\DRIVE REP_CDROMDRIVE"},
    {"both tokens", "REP_INSTALL|REP_CDROMDRIVE", "C:\\Games\\App|Q:\\",
     "C:\\Games\\App|Q:\\DRIVE"},
    {"case sensitive", "rep_install REP_Install", "rep_install REP_Install",
     "rep_install REP_Install"},
    {"empty", "", "", ""},
};

class SubstituteTable : public DirectivesTest,
                        public ::testing::WithParamInterface<SubstituteCase> {};

TEST_P(SubstituteTable, ReplacesFirstOccurrences) {
  const SubstituteCase& c = GetParam();
  const char* ini = SubstituteIniTokens(c.input);
  ASSERT_NE(ini, nullptr);
  EXPECT_STREQ(ini, c.ini);
  const char* reg = SubstituteRegTokens(c.input);
  ASSERT_NE(reg, nullptr);
  EXPECT_STREQ(reg, c.reg);
}

INSTANTIATE_TEST_SUITE_P(Lines, SubstituteTable, ::testing::ValuesIn(kSubstituteCases),
                         CaseName());

TEST_F(DirectivesTest, TokenAfterDoubleByteTrailIsFoundOnCharacterBoundary) {
  // 0x81 0x52 is one character whose trail byte is the token's 'R': no token begins there.
  const char line[] = "\x81REP_INSTALL";
  EXPECT_STREQ(SubstituteIniTokens(line), line);
}

TEST_F(DirectivesTest, NoCdromLookupHookGivesDriveE) {
  SetCdromRootLookup(nullptr);
  EXPECT_STREQ(SubstituteIniTokens("REP_CDROMDRIVE"), "E:\\");
  EXPECT_STREQ(SubstituteRegTokens("REP_CDROM"), "E:\\");
}

TEST_F(DirectivesTest, DriveIsLookedUpAfreshOnlyWhenTheTokenIsThere) {
  SubstituteIniTokens("A=REP_INSTALL");
  EXPECT_EQ(g_drive_lookups, 0);
  SubstituteIniTokens("A=REP_CDROMDRIVE");
  g_drive_root = "R:\\";
  EXPECT_STREQ(SubstituteRegTokens("A=REP_CDROM"), "A=R:\\");
  EXPECT_EQ(g_drive_lookups, 2);
}

TEST_F(DirectivesTest, ClearedRecordSubstitutesEmptyText) {
  SetInstallFolderRecord(nullptr);
  EXPECT_STREQ(SubstituteIniTokens("A=REP_INSTALL\\x"), "A=\\x");
}

TEST_F(DirectivesTest, ResultTextsAreSeparate) {
  const char* ini = SubstituteIniTokens("ini");
  const char* reg = SubstituteRegTokens("reg");
  const char* raw = UnescapeBackslashes("raw");
  EXPECT_STREQ(ini, "ini");
  EXPECT_STREQ(reg, "reg");
  EXPECT_STREQ(raw, "raw");
}

// A substitution that would outgrow 512 bytes refuses the line; one that fits exactly passes.
TEST_F(DirectivesTest, OutgrowingSubstitutionIsRefused) {
  std::string folder(200, 'f');
  SetInstallFolderRecord(folder.c_str());
  // 511 bytes allowed: head + folder + tail.
  std::string fits = "K=" + std::string(298, 'x') + "REP_INSTALL" + "y";  // 2+298+200+1 = 501
  ASSERT_NE(SubstituteIniTokens(fits.c_str()), nullptr);
  std::string exact = "K=" + std::string(308, 'x') + "REP_INSTALL" + "y";  // 2+308+200+1 = 511
  const char* s = SubstituteIniTokens(exact.c_str());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(std::string(s).size(), 511u);
  std::string over = "K=" + std::string(309, 'x') + "REP_INSTALL" + "y";  // 512
  EXPECT_EQ(SubstituteIniTokens(over.c_str()), nullptr);
  EXPECT_EQ(SubstituteRegTokens(over.c_str()), nullptr);
  char key[kDirectiveTextSize] = "untouched";
  char value[kDirectiveTextSize] = "untouched";
  EXPECT_EQ(SplitIniLine(over.c_str(), key, value), -1);
  std::string reg_over = "\"N\"=\"" + std::string(306, 'x') + "REP_INSTALL" + "\"";  // 5+306+200+1 = 512
  EXPECT_EQ(SplitRegLine(reg_over.c_str(), key, value), -1);
  std::string reg_fits = "\"N\"=\"" + std::string(305, 'x') + "REP_INSTALL" + "\"";
  ASSERT_EQ(SplitRegLine(reg_fits.c_str(), key, value), 0);
  EXPECT_EQ(std::string(value), std::string(305, 'x') + folder);
}

TEST_F(DirectivesTest, OutgrowingCdromSubstitutionIsRefused) {
  std::string root(100, 'r');
  g_drive_root = root.c_str();
  std::string over = std::string(420, 'x') + "REP_CDROMDRIVE";  // 420 + 100 = 520
  EXPECT_EQ(SubstituteIniTokens(over.c_str()), nullptr);
}

struct UnescapeCase {
  const char* name;
  const char* input;
  const char* expected;
};

const UnescapeCase kUnescapeCases[] = {
    {"none", "abc", "abc"},
    {"doubled", "a\\\\b", "a\\b"},
    {"quote", "a\\\"b", "a\"b"},
    {"single", "a\\b", "ab"},
    {"trailing", "abc\\", "abc"},
    {"only", "\\", ""},
    {"four", "\\\\\\\\", "\\\\"},
    {"three", "\\\\\\", "\\"},
    {"registry export", "\"SavePath\"=\"REP_INSTALL\\\\save\"", "\"SavePath\"=\"REP_INSTALL\\save\""},
    // The trail byte 0x5C of a double-byte character is not a backslash.
    {"trail byte", "ソ\\\\ソ", "ソ\\ソ"},
    // A backslash before a double-byte character keeps the whole character.
    {"before double byte", "\\ソ\\\\", "ソ\\"},
    {"empty", "", ""},
};

class UnescapeTable : public ::testing::TestWithParam<UnescapeCase> {};

TEST_P(UnescapeTable, RemovesEscapes) {
  EXPECT_STREQ(UnescapeBackslashes(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, UnescapeTable, ::testing::ValuesIn(kUnescapeCases),
                         CaseName());

struct SplitCase {
  const char* name;
  const char* line;
  int result;
  const char* first;   // key or value name
  const char* second;  // value or data
};

const SplitCase kIniCases[] = {
    {"simple", "Key=Value", 0, "Key", "Value"},
    {"install", "SavePath=REP_INSTALL\\save", 0, "SavePath", "C:\\Games\\App\\save"},
    {"nothing trimmed", " Key = Value ", 0, " Key ", " Value "},
    {"comment kept", "Key=Value ; comment", 0, "Key", "Value ; comment"},
    {"more equals", "A=B=C", 0, "A", "B=C"},
    {"empty value", "Key=", 0, "Key", ""},
    {"empty key", "=Value", 0, "", "Value"},
    {"cdrom", "Cd=REP_CDROMDRIVEdata", 0, "Cd", "Q:\\data"},
    {"no equals", "NoEquals", -1, nullptr, nullptr},
    {"empty line", "", -1, nullptr, nullptr},
    // The byte after a lead byte is never taken for "=", as the searches go by lead bytes.
    {"trail byte equals", "\x81=", -1, nullptr, nullptr},
    {"trail byte then equals", "\x81=A=B", 0, "\x81=A", "B"},
};

class IniSplitTable : public DirectivesTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(IniSplitTable, Splits) {
  const SplitCase& c = GetParam();
  char key[kDirectiveTextSize] = "untouched";
  char value[kDirectiveTextSize] = "untouched";
  ASSERT_EQ(SplitIniLine(c.line, key, value), c.result);
  if (c.result == 0) {
    EXPECT_STREQ(key, c.first);
    EXPECT_STREQ(value, c.second);
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, IniSplitTable, ::testing::ValuesIn(kIniCases),
                         CaseName());

const SplitCase kRegCases[] = {
    {"export form", "\"SavePath\"=\"REP_INSTALL\\\\save\"", 0, "SavePath", "C:\\Games\\App\\save"},
    {"plain", "\"Name\"=\"Data\"", 0, "Name", "Data"},
    {"default value", "\"\"=\"Data\"", 0, "", "Data"},
    {"at sign default", "@=\"Data\"", -1, nullptr, nullptr},
    {"no separator", "\"Name\"=dword:00000001", -1, nullptr, nullptr},
    {"no closing quote", "\"Name\"=\"", 0, "Name", ""},
    {"closing byte dropped whatever", "\"Name\"=\"abc", 0, "Name", "ab"},
    {"opening byte dropped whatever", "xName\"=\"abc\"", 0, "Name", "abc"},
    {"cdromdrive gives DRIVE", "\"Cd\"=\"REP_CDROMDRIVE\"", 0, "Cd", "Q:\\DRIVE"},
    {"cdrom", "\"Cd\"=\"REP_CDROMbin\"", 0, "Cd", "Q:\\bin"},
    // The root ends in a backslash already, so an escaped one after the token doubles it.
    {"cdrom then backslash", "\"Cd\"=\"REP_CDROM\\\\bin\"", 0, "Cd", "Q:\\\\bin"},
    {"escaped quote in data", "\"Q\"=\"say \\\"hi\\\"\"", 0, "Q", "say \"hi\""},
    {"trailing backslash removed", "\"N\"=\"abc\"\\", 0, "N", "abc"},
    {"separator at first byte only", "\"=\"abc\"", -1, nullptr, nullptr},
    {"separator made by un-escaping at first byte", "\\\"=\"x\"", -1, nullptr, nullptr},
    {"separator at first byte and later", "\"=\"x\"=\"y\"", 0, "=\"x", "y"},
    {"second separator in data", "\"A\"=\"b\"=\"c\"", 0, "A", "b\"=\"c"},
    {"empty", "", -1, nullptr, nullptr},
    {"double byte name", "\"ソフト\"=\"表\"", 0, "ソフト", "表"},
};

class RegSplitTable : public DirectivesTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(RegSplitTable, Splits) {
  const SplitCase& c = GetParam();
  char name[kDirectiveTextSize] = "untouched";
  char data[kDirectiveTextSize] = "untouched";
  ASSERT_EQ(SplitRegLine(c.line, name, data), c.result);
  if (c.result == 0) {
    EXPECT_STREQ(name, c.first);
    EXPECT_STREQ(data, c.second);
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, RegSplitTable, ::testing::ValuesIn(kRegCases),
                         CaseName());

TEST_F(DirectivesTest, DoubleByteTrailBackslashSurvivesRegSplit) {
  std::string line = std::string("\"N\"=\"") + kSo + "\"";
  char name[kDirectiveTextSize];
  char data[kDirectiveTextSize];
  ASSERT_EQ(SplitRegLine(line.c_str(), name, data), 0);
  EXPECT_STREQ(data, kSo);
}

TEST_F(DirectivesTest, LongestLineSplitsWhole) {
  std::string line = "K=" + std::string(509, 'v');
  char key[kDirectiveTextSize];
  char value[kDirectiveTextSize];
  ASSERT_EQ(SplitIniLine(line.c_str(), key, value), 0);
  EXPECT_EQ(std::string(value).size(), 509u);
}

}  // namespace
