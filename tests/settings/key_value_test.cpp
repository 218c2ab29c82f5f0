// The key/value reader and the lookups: line rules, first definition, the table's release.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "settings/settings_reader.h"
#include "settings_files.h"
#include "shell/cp932.h"

namespace {

constexpr char kAbsent[] = "<absent>";

// The value of `key` after reading `bytes`, or kAbsent.
std::string ValueAfterReading(const std::string& bytes, const char* key) {
  ResetSettingsForTests();
  EXPECT_EQ(LoadSettings(WriteSettingsFile(bytes).c_str()), 0);
  char buffer[kLineSize];
  return GetSettingString(key, buffer, sizeof buffer, kAbsent);
}

struct LineCase {
  const char* name;
  std::string bytes;
  std::string key;
  std::string expected;
};

const std::string kLongComment = "//" + std::string(509, 'x');  // exactly one 511-byte piece

const LineCase kLineCases[] = {
    {"FirstDefinitionWins", "REG_GLOBAL first\nREG_GLOBAL second\n", "REG_GLOBAL", "first"},
    {"LowerCaseKeyIsNotUpperCaseKey", "titlebar Game\n", "TITLEBAR", kAbsent},
    {"LowerCaseKeyStaysItsOwn", "titlebar Game\n", "titlebar", "Game"},
    {"BarIsSpaceTabEndsValue", "TITLEBAR Game|Name\t// the display name\n", "TITLEBAR", "Game Name"},
    {"BarOnTrailByteStays", "TITLEBAR ポ|ポ\n", "TITLEBAR", "ポ ポ"},
    {"ValueIsOneToken", "INSTTO one two\n", "INSTTO", "one"},
    {"KeyWithoutValue", "KEYFILE\n", "KEYFILE", kAbsent},
    {"KeyWithBlanksOnly", "KEYFILE   \t \n", "KEYFILE", kAbsent},
    {"NinetyNineBlanks", "KEYFILE" + std::string(99, ' ') + "key.dat\n", "KEYFILE", "key.dat"},
    {"HundredBlanks", "KEYFILE" + std::string(100, ' ') + "key.dat\n", "KEYFILE", kAbsent},
    {"MixedBlankRun", "KEYFILE \t\x01 key.dat\n", "KEYFILE", "key.dat"},
    {"IndentedByBlank", "  REG_LOCAL game\n", "REG_LOCAL", kAbsent},
    {"IndentedByTab", "\tREG_LOCAL game\n", "REG_LOCAL", kAbsent},
    {"SlashLineIsComment", "/REG_LOCAL game\n", "REG_LOCAL", kAbsent},
    {"SemicolonIsNoComment", ";REG_LOCAL game\n", ";REG_LOCAL", "game"},
    {"CrLfLine", "REG_GLOBAL abc\r\nREG_LOCAL def\r\n", "REG_LOCAL", "def"},
    {"LastLineWithoutLineEnd", "A 1\nREG_LOCAL last", "REG_LOCAL", "last"},
    {"StopsAtEofMark", "A 1\n[EOF]\nREG_LOCAL late\n", "REG_LOCAL", kAbsent},
    {"EofMarkWithTextAfterIt", "A 1\n[EOF] end of settings\nREG_LOCAL late\n", "REG_LOCAL", kAbsent},
    {"ReadsBeforeEofMark", "REG_LOCAL early\n[EOF]\n", "REG_LOCAL", "early"},
    {"SectionEndMarkDoesNotStop", "EOF\nREG_LOCAL late\n", "REG_LOCAL", "late"},
    {"IndentedEofMarkDoesNotStop", " [EOF]\nREG_LOCAL late\n", "REG_LOCAL", "late"},
    {"FourHundredthLineRead", Repeat("// comment\n", 399) + "REG_LOCAL late\n", "REG_LOCAL", "late"},
    {"FourHundredFirstLineNotRead", Repeat("// comment\n", 400) + "REG_LOCAL late\n", "REG_LOCAL",
     kAbsent},
    {"BlankLinesCount", Repeat("\n", 400) + "REG_LOCAL late\n", "REG_LOCAL", kAbsent},
    {"LongLineTakesTwoPasses",
     Repeat("//\n", 398) + kLongComment + "tail\n" + "REG_LOCAL late\n", "REG_LOCAL", kAbsent},
    {"LongLineBeforeFourHundredthLine",
     Repeat("//\n", 397) + kLongComment + "tail\n" + "REG_LOCAL late\n", "REG_LOCAL", "late"},
    {"LongCommentTailIsKeyValue", kLongComment + "TAIL value\n", "TAIL", "value"},
    {"LongCommentTailWithBlank", kLongComment + " TAIL value\n", "TAIL", kAbsent},
    {"LongCommentTailWithSlash", kLongComment + "/TAIL value\n", "/TAIL", kAbsent},
    {"ClosingLineBecomesDashKey", "[ini]\n-\t// closes the ini block\n", "-", "//"},
    {"HeaderWithCommentIsEntry", "[ini] // INI entries\n", "[ini]", "//"},
    {"ValueAfterEmbeddedNul", std::string("A\0 v\n", 5), "A", "v"},
    {"LongValueKeptWhole", "TITLEBAR " + std::string(300, 'v') + "\n", "TITLEBAR",
     std::string(300, 'v')},
    {"KeyFillsBuffer", std::string(511, 'K') + " v\n", std::string(511, 'K'), kAbsent},
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class LineRules : public testing::TestWithParam<LineCase> {};

TEST_P(LineRules, GiveTheExpectedValue) {
  const LineCase& c = GetParam();
  EXPECT_EQ(ValueAfterReading(c.bytes, c.key.c_str()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Settings, LineRules, testing::ValuesIn(kLineCases),
                         [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(LoadSettings, MissingFileGivesMinusOneAndDefaults) {
  ResetSettingsForTests();
  EXPECT_EQ(LoadSettings((testing::TempDir() + "no_such_settings.env").c_str()), -1);
  EXPECT_STREQ(REG_GLOBAL(), "-");
}

TEST(LoadSettings, EntriesKeepFileOrder) {
  FILE* stream = fmemopen(const_cast<char*>("B 2\nA 1\nC|D x|y\n"), 16, "r");
  ASSERT_NE(stream, nullptr);
  SettingsTable table = {};
  EXPECT_EQ(ReadSettingLines(stream, &table, malloc), 0);
  fclose(stream);
  std::vector<std::string> pairs;
  for (const SettingEntry* e = table.first; e; e = e->next) pairs.push_back(std::string(e->key) + "=" + e->value);
  // The bar turns into a space only in the value.
  EXPECT_EQ(pairs, (std::vector<std::string>{"B=2", "A=1", "C|D=x y"}));
  FreeSettingsTable(&table);
  EXPECT_EQ(table.first, nullptr);
  EXPECT_EQ(table.last, nullptr);
}

// Gives out a fixed number of blocks, then fails.
int g_blocks_left = 0;
void* LimitedAllocate(size_t size) {
  if (g_blocks_left <= 0) return nullptr;
  --g_blocks_left;
  return malloc(size);
}

TEST(LoadSettings, OutOfMemoryStopsAndKeepsWhatWasRead) {
  // Each entry takes three blocks: the entry, the key, the value. Fail at every point of the third.
  for (int blocks = 6; blocks < 9; ++blocks) {
    const char text[] = "A 1\nB 2\nC 3\nD 4\n";
    FILE* stream = fmemopen(const_cast<char*>(text), sizeof text - 1, "r");
    ASSERT_NE(stream, nullptr);
    SettingsTable table = {};
    g_blocks_left = blocks;
    EXPECT_EQ(ReadSettingLines(stream, &table, LimitedAllocate), -1);
    fclose(stream);
    std::string keys;
    for (const SettingEntry* e = table.first; e; e = e->next) keys += e->key;
    EXPECT_EQ(keys, "AB") << blocks;
    EXPECT_EQ(table.last, table.first->next);
    FreeSettingsTable(&table);
  }
}

TEST(GetSettingString, CutsToSizeMinusOneBytesEvenInsideACharacter) {
  ResetSettingsForTests();
  ASSERT_EQ(LoadSettings(WriteSettingsFile("NAME ポポ\n").c_str()), 0);
  char buffer[8];
  memset(buffer, 'Z', sizeof buffer);
  GetSettingString("NAME", buffer, 4, "-");
  EXPECT_EQ(std::string(buffer, 4), std::string("ポ\x83", 3) + '\0');
  EXPECT_EQ(buffer[4], 'Z');  // nothing written past size
  GetSettingString("NAME", buffer, 1, "-");
  EXPECT_EQ(buffer[0], '\0');
  buffer[0] = 'Q';
  EXPECT_EQ(GetSettingString("NAME", buffer, 0, "-"), buffer);
  EXPECT_EQ(buffer[0], 'Q');
  EXPECT_STREQ(GetSettingString("OTHER", buffer, sizeof buffer, "fallback"), "fallbac");
}

struct IntCase {
  const char* value;
  int expected;
};

TEST(GetSettingInt, ReadsLikeTheStandardConversionWithoutOverflow) {
  const IntCase cases[] = {
      {"12", 12},          {"-7", -7},           {"+3", 3},           {"12abc", 12},
      {"abc", 0},          {"-", 0},             {"|5", 5},           {"0x10", 0},
      {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"99999999999999999999", INT_MAX},
      {"-2147483648", INT_MIN}, {"-99999999999999999999", INT_MIN},
  };
  for (const IntCase& c : cases) {
    ResetSettingsForTests();
    ASSERT_EQ(LoadSettings(WriteSettingsFile(std::string("N ") + c.value + "\n").c_str()), 0);
    EXPECT_EQ(GetSettingInt("N", 42), c.expected) << c.value;
    EXPECT_EQ(GetSettingInt("M", 42), 42);
  }
}

// The exit action frees the table: a handler registered before it runs after it and finds the
// table empty.
constexpr int kTableEmptyAtExit = 7;
constexpr int kTableStillFullAtExit = 8;
void CheckTableAfterRelease() {
  char buffer[kValueSize];
  _exit(strcmp(GetSettingString("A", buffer, sizeof buffer, kAbsent), kAbsent) == 0
            ? kTableEmptyAtExit
            : kTableStillFullAtExit);
}

TEST(LoadSettingsDeathTest, RegistersTheReleaseOfTheTableAtExit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process with no handler yet
  std::string path = WriteSettingsFile("A 1\n");
  EXPECT_EXIT(
      {
        atexit(CheckTableAfterRelease);
        char buffer[kValueSize];
        if (LoadSettings(path.c_str()) == 0 && strcmp(GetSettingString("A", buffer, sizeof buffer, kAbsent), "1") == 0)
          exit(0);
        _exit(1);
      },
      testing::ExitedWithCode(kTableEmptyAtExit), "");
}

}  // namespace
