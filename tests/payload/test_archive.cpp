// Unit tests of the entry header reader, the name rules and the name matching.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archive_fixture.h"
#include "payload/archive.h"

namespace {

using fixture::Header;

struct NameCase {
  const char* label;
  std::string name;  // without the NUL
  bool folder;
  bool safe;
};

class NameRules : public testing::TestWithParam<NameCase> {};

TEST_P(NameRules, KeepInsideTheFolder) {
  const NameCase& c = GetParam();
  std::string with_nul = c.name + '\0';
  EXPECT_EQ(IsSafeEntryName(with_nul.data(), with_nul.size(), c.folder), c.safe ? 1 : 0) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Table, NameRules,
    testing::Values(
        NameCase{"plain", "install.env", false, true},
        NameCase{"nested", "data\\bgm\\a.ogg", false, true},
        NameCase{"top folder", "data\\", true, true},
        NameCase{"nested folder", "data\\bgm\\", true, true},
        NameCase{"folder without backslash", "data", true, true},
        NameCase{"dot component", "data\\.\\a", false, true},
        NameCase{"dots inside a name", "a..b\\c...txt", false, true},
        NameCase{"trail byte 5C is no separator", "\x83\x5C\\a", false, true},
        NameCase{"trail byte 2F is no separator", "\x83/.txt", false, true},
        NameCase{"parent", "..\\evil.dll", false, false},
        NameCase{"parent inside", "data\\..\\..\\evil", false, false},
        NameCase{"parent at the end", "data\\..", false, false},
        NameCase{"parent folder", "..\\", true, false},
        NameCase{"parent with slash", "data/../x", false, false},
        NameCase{"dots and spaces", "data\\. .\\x", false, false},
        NameCase{"three dots", "...\\x", false, false},
        NameCase{"leading backslash", "\\windows\\x", false, false},
        NameCase{"leading slash", "/etc/x", false, false},
        NameCase{"drive letter", "C:\\x", false, false},
        NameCase{"drive relative", "C:x", false, false},
        NameCase{"colon stream", "a.txt:stream", false, false},
        NameCase{"empty component", "data\\\\x", false, false},
        NameCase{"empty slash component", "data//x", false, false},
        NameCase{"file ending in backslash", "data\\", false, false},
        NameCase{"folder ending in slash", "data/", true, false},
        NameCase{"empty", "", false, false},
        NameCase{"longest", std::string(259, 'a'), false, true},
        NameCase{"one too long", std::string(260, 'a'), false, false}),
    [](const testing::TestParamInfo<NameCase>& info) {
      std::string label = info.param.label;
      for (char& ch : label) {
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return label;
    });

TEST(NameRules, NulMustEndTheName) {
  const char inner[] = "ab\0cd";  // NUL inside, and the last byte is NUL
  EXPECT_EQ(IsSafeEntryName(inner, sizeof inner, 0), 0);
  const char unterminated[] = {'a', 'b'};
  EXPECT_EQ(IsSafeEntryName(unterminated, sizeof unterminated, 0), 0);
}

struct HeaderCase {
  const char* label;
  std::string bytes;
  HeaderResult expected;
};

class EntryReader : public testing::TestWithParam<HeaderCase> {};

TEST_P(EntryReader, ErrorPaths) {
  const HeaderCase& c = GetParam();
  MemorySource memory;
  ArchiveSource source = MakeMemorySource(&memory, c.bytes.data(), c.bytes.size());
  EntryHeader header;
  EXPECT_EQ(ReadEntryHeader(&source, &header), c.expected) << c.label;
  EXPECT_LE(memory.position, c.bytes.size());
  EXPECT_LT(strlen(header.name), sizeof header.name);
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Table, EntryReader,
    testing::Values(
        HeaderCase{"nothing", "", HeaderResult::ShortRead},
        HeaderCase{"one byte", Bytes({0x05}), HeaderResult::ShortRead},
        HeaderCase{"end marker", Bytes({0, 0}), HeaderResult::End},
        HeaderCase{"name cut", Bytes({0x05, 0, 'a', 'b'}), HeaderResult::ShortRead},
        HeaderCase{"sizes missing", Bytes({0x02, 0, 'a', 0}), HeaderResult::ShortRead},
        HeaderCase{"stored size cut", Header(std::string("a\0", 2), 1, 9).substr(0, 11), HeaderResult::ShortRead},
        HeaderCase{"file", Header(std::string("a\0", 2), 1, 9), HeaderResult::Entry},
        HeaderCase{"empty file", Header(std::string("a\0", 2), 0, 8), HeaderResult::Entry},
        HeaderCase{"folder", Header(std::string("d\\\0", 3), -1, 0), HeaderResult::Entry},
        HeaderCase{"folder ignores stored size", Header(std::string("d\\\0", 3), -1, -77), HeaderResult::Entry},
        HeaderCase{"name length 261", Bytes({0x05, 0x01}) + std::string(270, 'a'), HeaderResult::BadName},
        HeaderCase{"name length 65535", Bytes({0xFF, 0xFF}), HeaderResult::BadName},
        HeaderCase{"name length 260", Header(std::string(259, 'a') + '\0', 1, 9), HeaderResult::Entry},
        HeaderCase{"name only NUL", Header(std::string("\0", 1), 1, 9), HeaderResult::BadName},
        HeaderCase{"no NUL at the end", Header("ab", 1, 9), HeaderResult::BadName},
        HeaderCase{"NUL inside", Header(std::string("a\0b\0", 4), 1, 9), HeaderResult::BadName},
        HeaderCase{"traversal", Header(std::string("..\\x\0", 5), 1, 9), HeaderResult::BadName},
        HeaderCase{"drive", Header(std::string("C:\\x\0", 5), 1, 9), HeaderResult::BadName},
        HeaderCase{"stored size 0", Header(std::string("a\0", 2), 1, 0), HeaderResult::BadSize},
        HeaderCase{"stored size negative", Header(std::string("a\0", 2), 1, -30), HeaderResult::BadSize},
        HeaderCase{"file size -2", Header(std::string("a\0", 2), -2, 9), HeaderResult::BadSize}),
    [](const testing::TestParamInfo<HeaderCase>& info) {
      std::string label = info.param.label;
      for (char& ch : label) {
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return label;
    });

TEST(EntryReader, ReadsTheExampleHeader) {
  std::string bytes = Bytes({0x0C, 0x00}) + std::string("install.env\0", 12) +
                      Bytes({0xD6, 0x0F, 0x00, 0x00, 0x8C, 0x04, 0x00, 0x00});
  MemorySource memory;
  ArchiveSource source = MakeMemorySource(&memory, bytes.data(), bytes.size());
  EntryHeader header;
  ASSERT_EQ(ReadEntryHeader(&source, &header), HeaderResult::Entry);
  EXPECT_EQ(header.name_length, 12);
  EXPECT_STREQ(header.name, "install.env");
  EXPECT_EQ(header.file_size, 4054);
  EXPECT_EQ(header.stored_size, 1164);
  EXPECT_EQ(memory.position, 12u + kHeaderOverhead);
}

struct ContainsCase {
  const char* name;
  const char* pattern;
  bool expected;
};

TEST(NameContains, CaseAndCharacterBoundaries) {
  const ContainsCase cases[] = {
      {"README.TXT", ".txt", true},
      {"notes.txt.bak", ".txt", true},
      {"Install.Env", "install.env", true},
      {"INSTTSCR.RCT", "insttscr.rct", true},
      {"update.arc", ".txt", false},
      {"data\\readme.txt", ".txt", true},
      {"install.en", "install.env", false},
      // 0x83 0x2E is one double-byte character: its trail byte is no dot.
      {"a\x83.txt", ".txt", false},
      // Double-byte letters are not lowered: 0x82 0x60 ('Ａ') stays.
      {"\x82\x60.TXT", "\x82\x60.txt", true},
  };
  for (const ContainsCase& c : cases) {
    EXPECT_EQ(NameContains(c.name, c.pattern), c.expected) << c.name << " / " << c.pattern;
  }
}

TEST(DestinationPath, LimitIsTheBuffer) {
  char path[kPathSize];
  std::string folder(200, 'f');
  EXPECT_EQ(JoinDestinationPath(path, folder.c_str(), std::string(58, 'n').c_str()), 1);
  EXPECT_EQ(strlen(path), 259u);
  EXPECT_EQ(JoinDestinationPath(path, folder.c_str(), std::string(59, 'n').c_str()), 0);
  EXPECT_EQ(JoinDestinationPath(path, "C:\\Game", "data\\bgm\\"), 1);
  EXPECT_STREQ(path, "C:\\Game\\data\\bgm\\");
}

TEST(TemporaryPath, BesideTheTargetAndNeverTheTarget) {
  char temporary[kPathSize];
  MakeTemporaryPath(temporary, "C:\\Game\\data.arc");
  EXPECT_STREQ(temporary, "C:\\Game\\data.arc.~zp");
  // No room for the suffix: a short name in the same folder.
  std::string folder = "C:\\" + std::string(240, 'f') + "\\";
  std::string target = folder + std::string(259 - folder.size(), 'n');
  MakeTemporaryPath(temporary, target.c_str());
  EXPECT_EQ(std::string(temporary), folder + "~zp");
  std::string tiny = folder.substr(0, folder.size() - 1);
  tiny = "C:\\" + std::string(253, 'f') + "\\~";  // 258 bytes: the target's name is "~"
  MakeTemporaryPath(temporary, tiny.c_str());
  EXPECT_NE(std::string(temporary), tiny);
  EXPECT_LT(strlen(temporary), kPathSize);
  EXPECT_EQ(std::string(temporary).substr(0, tiny.size() - 1), tiny.substr(0, tiny.size() - 1));
}

TEST(Progress, UnitsAreTruncatedQuotients) {
  EXPECT_EQ(ProgressUnits(13729328), 104u);
  EXPECT_EQ(ProgressUnits(13854497), 105u);
  EXPECT_EQ(ProgressUnits(0x1FFFF), 0u);
  EXPECT_EQ(ProgressUnits(0x20000), 1u);
}

}  // namespace
