// The accessors of the settings keys: defaults, values, null for empty, and when each looks up.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "settings/settings_reader.h"
#include "settings_files.h"
#include "shell/cp932.h"

namespace {

constexpr char kDefaultTitle[] = "ＺＯＬＭＩＲ アプリケーション";

void Read(const std::string& bytes) {
  ResetSettingsForTests();
  ASSERT_EQ(LoadSettings(WriteSettingsFile(bytes).c_str()), 0);
}

std::string Text(const char* result) { return result ? result : "<null>"; }

struct TextAccessor {
  const char* key;
  const char* (*read)();
  std::string fallback;  // "<null>" for the accessors that give null when empty
  bool every_call;
};

const TextAccessor kTextAccessors[] = {
    {"REG_GLOBAL", REG_GLOBAL, "-", false},
    {"REG_LOCAL", REG_LOCAL, "-", false},
    {"INI_FILE", INI_FILE, "-", false},
    {"INI_SECTION", INI_SECTION, "-", false},
    {"TITLEBAR", TITLEBAR, kDefaultTitle, true},
    {"INSTTO", INSTTO, "ZOLMIR_APP", true},
    {"INSTFOL", INSTFOL, "<null>", true},
    {"KEYFILE", KEYFILE, "<null>", true},
    {"CHKREG", CHKREG, "<null>", true},
};

struct IntAccessor {
  const char* key;
  int (*read)();
};

const IntAccessor kIntAccessors[] = {
    {"INSTMAKEFOL", INSTMAKEFOL}, {"CHKREGVER", CHKREGVER}, {"CHKREGVERHIGH", CHKREGVERHIGH}};

TEST(Accessors, ServeTheirDefaultsForAnEmptyFile) {
  Read("");
  for (const TextAccessor& a : kTextAccessors) EXPECT_EQ(Text(a.read()), a.fallback) << a.key;
  for (const IntAccessor& a : kIntAccessors) EXPECT_EQ(a.read(), 0) << a.key;
  EXPECT_STREQ(UpdaterTitle(), "ＺＯＬＭＩＲ アプリケーション アップデータ");
}

TEST(Accessors, ServeTheFileValues) {
  std::string file;
  for (const TextAccessor& a : kTextAccessors) file += std::string(a.key) + " v_" + a.key + "\n";
  int n = 0;
  for (const IntAccessor& a : kIntAccessors) file += std::string(a.key) + " " + std::to_string(100 + n++) + "\n";
  Read(file);
  for (const TextAccessor& a : kTextAccessors) EXPECT_EQ(Text(a.read()), std::string("v_") + a.key);
  n = 0;
  for (const IntAccessor& a : kIntAccessors) EXPECT_EQ(a.read(), 100 + n++) << a.key;
  EXPECT_STREQ(UpdaterTitle(), "v_TITLEBAR アップデータ");
}

// After the first calls the table is released: "once" and cached accessors keep what they read,
// the "every call" ones look up again and find only their defaults.
TEST(Accessors, LookUpOnceOrOnEveryCall) {
  std::string file;
  for (const TextAccessor& a : kTextAccessors) file += std::string(a.key) + " v_" + a.key + "\n";
  for (const IntAccessor& a : kIntAccessors) file += std::string(a.key) + " 5\n";
  Read(file);
  for (const TextAccessor& a : kTextAccessors) a.read();
  for (const IntAccessor& a : kIntAccessors) a.read();
  ReleaseSettingsTable();
  for (const TextAccessor& a : kTextAccessors) {
    EXPECT_EQ(Text(a.read()), a.every_call ? a.fallback : std::string("v_") + a.key) << a.key;
  }
  for (const IntAccessor& a : kIntAccessors) EXPECT_EQ(a.read(), 5) << a.key;
  EXPECT_EQ(std::string(UpdaterTitle()), std::string(kDefaultTitle) + " アップデータ");
}

TEST(Accessors, MinusOneIsLookedUpOnEveryCall) {
  Read("INSTMAKEFOL -1\nCHKREGVER -1\nCHKREGVERHIGH -1\n");
  for (const IntAccessor& a : kIntAccessors) {
    EXPECT_EQ(a.read(), -1) << a.key;
    EXPECT_EQ(a.read(), -1) << a.key;
  }
  ReleaseSettingsTable();
  for (const IntAccessor& a : kIntAccessors) EXPECT_EQ(a.read(), 0) << a.key;
}

TEST(Accessors, ResultBufferStaysValidUntilTheNextCall) {
  Read("TITLEBAR first\n");
  const char* title = TITLEBAR();
  EXPECT_EQ(TITLEBAR(), title);
  EXPECT_EQ(UpdaterTitle(), UpdaterTitle());
}

TEST(Accessors, LongValueIsCutTo127Bytes) {
  std::string value(200, 'T');
  Read("TITLEBAR " + value + "\nREG_GLOBAL " + value + "\n");
  EXPECT_EQ(std::string(TITLEBAR()), value.substr(0, 127));
  EXPECT_EQ(std::string(REG_GLOBAL()), value.substr(0, 127));
  std::string title = UpdaterTitle();
  EXPECT_EQ(title.size(), 140u);
  EXPECT_EQ(title, value.substr(0, 127) + " アップデータ");
}

TEST(Accessors, LowerCaseKeysDoNotCount) {
  Read("titlebar lower\nkeyfile key.dat\nTITLEBAR Upper\n");
  EXPECT_STREQ(TITLEBAR(), "Upper");
  EXPECT_EQ(KEYFILE(), nullptr);
}

TEST(Accessors, ClosingLineWithCommentIsAnEntryNotASetting) {
  Read("[ini]\n-\t// end\nTITLEBAR Game|Name\t// shown in the caption\n");
  char buffer[kValueSize];
  EXPECT_STREQ(GetSettingString("-", buffer, sizeof buffer, "<absent>"), "//");
  EXPECT_STREQ(TITLEBAR(), "Game Name");
  EXPECT_STREQ(UpdaterTitle(), "Game Name アップデータ");
}

}  // namespace
