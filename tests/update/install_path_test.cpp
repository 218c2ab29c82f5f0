// Unit tests of the typed-folder normalisation, the proposal and the decimal reading.
#include "update/install_path.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

constexpr size_t kPath = 260;
constexpr char kGuard = '\x7E';

// A 260-byte path buffer followed by guard bytes that no step may touch.
struct GuardedPath {
  char bytes[kPath + 16];
  explicit GuardedPath(const std::string& text) {
    memset(bytes, kGuard, sizeof bytes);
    memcpy(bytes, text.c_str(), text.size() + 1);
  }
  bool GuardIntact() const {
    for (size_t i = kPath; i < sizeof bytes; ++i) {
      if (bytes[i] != kGuard) return false;
    }
    return true;
  }
};

InstallPathContext Context(const char* windows, const char* instfol, int instmakefol,
                           const char* instto = "ZOLMIR_APP") {
  return InstallPathContext{windows, instfol, instto, instmakefol};
}

const char* Name(InstallPathResult result) {
  switch (result) {
    case InstallPathResult::Ok: return "Ok";
    case InstallPathResult::NetworkPath: return "NetworkPath";
    case InstallPathResult::DriveRoot: return "DriveRoot";
    case InstallPathResult::TooLong: return "TooLong";
  }
  return "?";
}

struct NormaliseCase {
  const char* name;
  const char* windows;
  const char* instfol;
  int instmakefol;
  std::string typed;
  InstallPathResult result;
  std::string expected;  // the buffer's text afterwards
};

// ソ is 83 5C in code page 932: its trail byte is a backslash.
const std::string kSo = "\x83\x5C";

const NormaliseCase kNormaliseCases[] = {
    {"slashes", "W:\\WINDOWS", nullptr, 0, "D:/Games/App", InstallPathResult::Ok, "D:\\Games\\App"},
    {"unc", "W:\\WINDOWS", nullptr, 0, "\\\\server\\share", InstallPathResult::NetworkPath, "\\\\server\\share"},
    {"unc_by_slashes", "W:\\WINDOWS", nullptr, 0, "//server/share", InstallPathResult::NetworkPath, "\\\\server\\share"},
    {"doubled_inside", "W:\\WINDOWS", nullptr, 0, "D:\\Games\\\\App", InstallPathResult::NetworkPath, "D:\\Games\\\\App"},
    {"trail_byte_then_separator", "W:\\WINDOWS", nullptr, 0, "C:\\" + kSo + "\\App", InstallPathResult::Ok, "C:\\" + kSo + "\\App"},
    {"ends_in_trail_byte", "W:\\WINDOWS", nullptr, 0, "C:\\" + kSo, InstallPathResult::Ok, "C:\\" + kSo},
    {"trail_byte_then_trailing_separator", "W:\\WINDOWS", nullptr, 0, "C:\\" + kSo + "\\", InstallPathResult::Ok, "C:\\" + kSo},
    {"root", "W:\\WINDOWS", nullptr, 0, "D:\\", InstallPathResult::DriveRoot, "D:\\"},
    {"bare_drive", "W:\\WINDOWS", nullptr, 0, "D:", InstallPathResult::DriveRoot, "D:\\"},
    {"empty", "W:\\WINDOWS", nullptr, 0, "", InstallPathResult::DriveRoot, "W:\\"},
    {"lone_backslash", "W:\\WINDOWS", nullptr, 0, "\\", InstallPathResult::DriveRoot, "W:\\"},
    {"root_with_game_folder", "W:\\WINDOWS", nullptr, 1, "D:\\", InstallPathResult::Ok, "D:\\ZOLMIR_APP"},
    {"game_folder", "W:\\WINDOWS", nullptr, 1, "D:\\Games", InstallPathResult::Ok, "D:\\Games\\ZOLMIR_APP"},
    {"game_folder_with_maker", "W:\\WINDOWS", "Maker", 1, "D:\\Games", InstallPathResult::Ok, "D:\\Games\\Maker\\ZOLMIR_APP"},
    {"maker_empty", "W:\\WINDOWS", "", 1, "D:\\Games", InstallPathResult::Ok, "D:\\Games\\ZOLMIR_APP"},
    {"game_folder_present", "W:\\WINDOWS", nullptr, 1, "D:\\Games\\ZOLMIR_APP\\", InstallPathResult::Ok, "D:\\Games\\ZOLMIR_APP"},
    {"game_folder_case_differs", "W:\\WINDOWS", nullptr, 1, "D:\\zolmir_app", InstallPathResult::Ok, "D:\\zolmir_app\\ZOLMIR_APP"},
    {"makefol_negative", "W:\\WINDOWS", nullptr, -1, "D:\\Games", InstallPathResult::Ok, "D:\\Games\\ZOLMIR_APP"},
    {"no_drive_rooted", "W:\\WINDOWS", nullptr, 0, "\\Games\\App", InstallPathResult::Ok, "W:\\Games\\App"},
    {"no_drive_relative", "W:\\WINDOWS", nullptr, 0, "Games", InstallPathResult::Ok, "W:\\Games"},
    {"no_drive_game_folder", "W:\\WINDOWS", nullptr, 1, "", InstallPathResult::Ok, "W:\\ZOLMIR_APP"},
    {"drive_without_separator", "W:\\WINDOWS", nullptr, 0, "D:Games", InstallPathResult::Ok, "D:\\Games"},
    {"windows_without_colon", "WINDOWS", nullptr, 0, "Games", InstallPathResult::Ok, "Games"},
    {"windows_empty", "", nullptr, 0, "Games\\", InstallPathResult::Ok, "Games"},
    {"trailing_separator", "W:\\WINDOWS", nullptr, 0, "D:\\Games\\", InstallPathResult::Ok, "D:\\Games"},
    // Fitting exactly: 259 bytes of text after the separator is inserted.
    {"separator_fits", "W:\\WINDOWS", nullptr, 0, "D:" + std::string(256, 'a'), InstallPathResult::Ok, "D:\\" + std::string(256, 'a')},
    {"separator_too_long", "W:\\WINDOWS", nullptr, 0, "D:" + std::string(257, 'a'), InstallPathResult::TooLong, "D:" + std::string(257, 'a')},
    {"drive_fits", "W:\\WINDOWS", nullptr, 0, "\\" + std::string(256, 'a'), InstallPathResult::Ok, "W:\\" + std::string(256, 'a')},
    {"drive_too_long", "W:\\WINDOWS", nullptr, 0, std::string(258, 'a'), InstallPathResult::TooLong, std::string(258, 'a')},
    {"game_folder_fits", "W:\\WINDOWS", nullptr, 1, "D:\\" + std::string(245, 'a'), InstallPathResult::Ok, "D:\\" + std::string(245, 'a') + "\\ZOLMIR_APP"},
    {"game_folder_too_long", "W:\\WINDOWS", nullptr, 1, "D:\\" + std::string(246, 'a'), InstallPathResult::TooLong, "D:\\" + std::string(246, 'a')},
    {"full_buffer_no_makefol", "W:\\WINDOWS", nullptr, 0, "D:\\" + std::string(256, 'a'), InstallPathResult::Ok, "D:\\" + std::string(256, 'a')},
};

class Normalise : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(Normalise, GivesResultAndText) {
  const NormaliseCase& c = GetParam();
  GuardedPath path(c.typed);
  InstallPathResult result = NormaliseInstallPath(path.bytes, kPath, Context(c.windows, c.instfol, c.instmakefol));
  EXPECT_STREQ(Name(c.result), Name(result));
  EXPECT_EQ(c.expected, std::string(path.bytes));
  EXPECT_TRUE(path.GuardIntact());
}

INSTANTIATE_TEST_SUITE_P(Table, Normalise, ::testing::ValuesIn(kNormaliseCases),
                         [](const ::testing::TestParamInfo<NormaliseCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(Normalise, ForcesTheLastByteOfAnUnterminatedBuffer) {
  GuardedPath path("");
  memset(path.bytes, 'a', kPath);
  path.bytes[0] = 'D';
  path.bytes[1] = ':';
  path.bytes[2] = '\\';
  EXPECT_EQ(InstallPathResult::Ok, NormaliseInstallPath(path.bytes, kPath, Context("W:\\WINDOWS", nullptr, 0)));
  EXPECT_EQ(kPath - 1, strlen(path.bytes));
  EXPECT_TRUE(path.GuardIntact());
}

struct ProposalCase {
  const char* name;
  const char* windows;
  const char* instfol;
  std::string instto;
  bool fits;
  std::string expected;
};

// INSTFOL and INSTTO at their longest, 127 bytes each, cannot both fit behind the root.
const std::string kLongMaker(127, 'm');

const ProposalCase kProposalCases[] = {
    {"default", "W:\\WINDOWS", nullptr, "ZOLMIR_APP", true, "W:\\Program Files\\ZOLMIR_APP"},
    {"maker", "W:\\WINDOWS", "Maker", "ZOLMIR_APP", true, "W:\\Program Files\\Maker\\ZOLMIR_APP"},
    {"maker_empty", "C:\\windows", "", "Game", true, "C:\\Program Files\\Game"},
    {"first_backslash_only", "C:\\windows\\system", nullptr, "Game", true, "C:\\Program Files\\Game"},
    {"no_backslash", "WINDOWS", nullptr, "Game", true, "Program Files\\Game"},
    {"exact_fit", "C:\\windows", nullptr, std::string(242, 'g'), true, "C:\\Program Files\\" + std::string(242, 'g')},
    {"one_too_many", "C:\\windows", nullptr, std::string(243, 'g'), false, ""},
    {"longest_settings", "C:\\windows", kLongMaker.c_str(), std::string(127, 'g'), false, ""},
};

class Proposal : public ::testing::TestWithParam<ProposalCase> {};

TEST_P(Proposal, BuildsFromWindowsDirectoryAndSettings) {
  const ProposalCase& c = GetParam();
  GuardedPath path("previous text");
  bool fits = BuildProposedInstallPath(path.bytes, kPath, Context(c.windows, c.instfol, 0, c.instto.c_str()));
  EXPECT_EQ(c.fits, fits);
  EXPECT_EQ(c.expected, std::string(path.bytes));
  EXPECT_TRUE(path.GuardIntact());
}

INSTANTIATE_TEST_SUITE_P(Table, Proposal, ::testing::ValuesIn(kProposalCases),
                         [](const ::testing::TestParamInfo<ProposalCase>& info) {
                           return std::string(info.param.name);
                         });

struct DecimalCase {
  const char* text;
  int expected;
};

const DecimalCase kDecimalCases[] = {
    {"3", 3},
    {"3a", 3},
    {"  42", 42},
    {"\t\r\n 7", 7},
    {"-7", -7},
    {"+5", 5},
    {"abc", 0},
    {"", 0},
    {"-", 0},
    {"+-1", 0},
    {" 0x10", 0},
    {"1 2", 1},
    {"007", 7},
    {"2147483647", INT_MAX},
    {"2147483648", INT_MAX},
    {"99999999999999999999999999", INT_MAX},
    {"-2147483648", INT_MIN},
    {"-2147483649", INT_MIN},
    {"-99999999999999999999999999", INT_MIN},
};

class Decimal : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(Decimal, ReadsLikeTheRegistryTexts) {
  EXPECT_EQ(GetParam().expected, ReadDecimalInt(GetParam().text)) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Table, Decimal, ::testing::ValuesIn(kDecimalCases));

TEST(NetworkPath, LeadByteRuleLooksOnlyAtTheFirstPair) {
  EXPECT_TRUE(IsNetworkPath("\\\\"));
  EXPECT_FALSE(IsNetworkPath("\\"));
  EXPECT_FALSE(IsNetworkPath(("D:\\" + kSo + "\\x").c_str()));
  EXPECT_TRUE(IsNetworkPath("D:\\x\\\\y"));
}

TEST(DriveRoot, OnlyAFinalSeparatorCounts) {
  EXPECT_TRUE(IsDriveRoot("D:\\"));
  EXPECT_TRUE(IsDriveRoot("\\"));
  EXPECT_FALSE(IsDriveRoot(""));
  EXPECT_FALSE(IsDriveRoot("D:"));
  EXPECT_FALSE(IsDriveRoot(("D:\\" + kSo).c_str()));
}

TEST(Slashes, TrailBytesAreNotTouched) {
  // 0x81 0x2F is no valid character, but a lead byte still owns the byte after it.
  char text[] = "a/\x81/b/";
  ReplaceSlashes(text);
  EXPECT_STREQ("a\\\x81/b\\", text);
}

}  // namespace
