// Unit tests of the code page 932 byte helpers: lead bytes, path separators, searches, bounded copies.
#include "shell/cp932.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// "ソ" is 83 5C in code page 932: its trail byte is a backslash.
constexpr const char kSo[] = "\x83\x5C";

TEST(IsLeadByte, FollowsTheFixedTable) {
  struct Row {
    int byte;
    int expected;
  };
  const Row rows[] = {{0x00, 0}, {0x5C, 0}, {0x80, 0}, {0x81, 1}, {0x9F, 1}, {0xA0, 0}, {0xDF, 0},
                      {0xE0, 1}, {0xFC, 1}, {0xFD, 0}, {0xFF, 0}, {0x181, 1}, {-0x7F, 1}, {0x100, 0}};
  for (const Row& row : rows) EXPECT_EQ(IsLeadByte(row.byte), row.expected) << std::hex << row.byte;
}

TEST(IsLeadByte, CountsExactlyTheShiftJisLeadRanges) {
  int count = 0;
  for (int b = 0; b < 256; ++b) count += IsLeadByte(b);
  EXPECT_EQ(count, (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1));
}

struct PathRow {
  std::string input;
  std::string expected;
};

TEST(AppendBackslash, AddsOneUnlessTheTextEndsInASeparator) {
  const PathRow rows[] = {
      {"D:\\TEMP", "D:\\TEMP\\"},
      {"D:\\TEMP\\", "D:\\TEMP\\"},
      {std::string("D:\\") + kSo, std::string("D:\\") + kSo + "\\"},
      {"", "\\"},
      {"\\", "\\"},
      {"a", "a\\"},
      // A backslash after a trail byte that is not a lead byte is a separator.
      {"\x83\x41\\", "\x83\x41\\"},
  };
  for (const PathRow& row : rows) {
    char buffer[kPathSize];
    ASSERT_TRUE(CopyText(buffer, sizeof buffer, row.input.c_str()));
    EXPECT_EQ(AppendBackslash(buffer), buffer);
    EXPECT_EQ(std::string(buffer), row.expected) << row.input;
  }
}

TEST(StripTrailingBackslash, RemovesOneSeparatorOnly) {
  const PathRow rows[] = {
      {"D:\\GAME\\", "D:\\GAME"},
      {"D:\\", "D:"},
      {std::string("D:\\") + kSo, std::string("D:\\") + kSo},
      {"D:\\GAME\\\\", "D:\\GAME\\"},
      {"\\", ""},
      {"", ""},
      {"D:\\GAME", "D:\\GAME"},
  };
  for (const PathRow& row : rows) {
    char buffer[kPathSize];
    ASSERT_TRUE(CopyText(buffer, sizeof buffer, row.input.c_str()));
    EXPECT_EQ(StripTrailingBackslash(buffer), buffer);
    EXPECT_EQ(std::string(buffer), row.expected) << row.input;
  }
}

TEST(AppendBackslashBounded, RefusesWhenTheBufferIsFull) {
  char full[4] = "abc";
  EXPECT_EQ(AppendBackslashBounded(full, sizeof full), nullptr);
  EXPECT_STREQ(full, "abc");

  char room[5] = "abc";
  EXPECT_EQ(AppendBackslashBounded(room, sizeof room), room);
  EXPECT_STREQ(room, "abc\\");

  // Already ending in a separator needs no room.
  char ends[4] = "ab\\";
  EXPECT_EQ(AppendBackslashBounded(ends, sizeof ends), ends);
  EXPECT_STREQ(ends, "ab\\");

  // Not even NUL-terminated inside its size: refused, untouched.
  char unterminated[3] = {'a', 'b', 'c'};
  EXPECT_EQ(AppendBackslashBounded(unterminated, sizeof unterminated), nullptr);
  EXPECT_EQ(unterminated[2], 'c');
}

TEST(FindCharMb, NeverMatchesATrailByte) {
  const std::string text = std::string("a") + kSo + "\\b\\c";
  EXPECT_EQ(FindCharMb(text.c_str(), '\\'), text.c_str() + 3);
  EXPECT_EQ(FindLastCharMb(text.c_str(), '\\'), text.c_str() + 5);
  const std::string only_trail = std::string("x") + kSo;
  EXPECT_EQ(FindCharMb(only_trail.c_str(), '\\'), nullptr);
  EXPECT_EQ(FindLastCharMb(only_trail.c_str(), '\\'), nullptr);
  // A lead byte at the very end does not step over the NUL.
  EXPECT_EQ(FindCharMb("ab\x83", '\\'), nullptr);
  const char* bar = "ソ|";
  EXPECT_EQ(FindCharMb(bar, '|'), bar + 2);
}

TEST(FindTextMb, MatchesOnlyOnCharacterBoundaries) {
  // 83 5C 2E 74: the "\\.t" inside starts on a trail byte and must not match.
  const std::string text = std::string(kSo) + ".txt";
  EXPECT_EQ(FindTextMb(text.c_str(), "\\.t"), nullptr);
  EXPECT_EQ(FindTextMb(text.c_str(), ".txt"), text.c_str() + 2);
  const char* abc = "abc";
  EXPECT_EQ(FindTextMb(abc, ""), abc);
  const char* name = "dir\\install.env";
  EXPECT_EQ(FindTextMb(name, "install.env"), name + 4);
  EXPECT_EQ(FindTextMb(name, "install.envx"), nullptr);
}

TEST(LowerMb, LeavesDoubleByteCharactersAlone) {
  // "ア" is 83 41: its trail byte looks like 'A'.
  char text[] = "\x83\x41" "AbC.OGG";
  LowerMb(text);
  EXPECT_STREQ(text, "\x83\x41" "abc.ogg");
}

TEST(CopyText, CutsToTheBufferAndAlwaysEndsInNul) {
  char buffer[4];
  memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(CopyText(buffer, sizeof buffer, "abcdef"), 0);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(CopyText(buffer, sizeof buffer, "abc"), 1);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(CopyText(buffer, 0, "a"), 0);
}

TEST(AppendText, RefusesWhatDoesNotFitAndLeavesTheBuffer) {
  char buffer[6] = "ab";
  EXPECT_EQ(AppendText(buffer, sizeof buffer, "cde"), 1);
  EXPECT_STREQ(buffer, "abcde");
  EXPECT_EQ(AppendText(buffer, sizeof buffer, "f"), 0);
  EXPECT_STREQ(buffer, "abcde");
  EXPECT_EQ(AppendText(buffer, sizeof buffer, ""), 1);
}

TEST(FormatText, CutsLongNoticesAtTheirBuffer) {
  char notice[kNoticeSize];
  const std::string long_path(2000, 'p');
  EXPECT_EQ(FormatText(notice, sizeof notice, "Ffopen : [%s]", long_path.c_str()), 0);
  EXPECT_EQ(strlen(notice), kNoticeSize - 1);
  EXPECT_EQ(std::string(notice, 10), "Ffopen : [");
  EXPECT_EQ(FormatText(notice, sizeof notice, "%d-%s", -5, "x"), 1);
  EXPECT_STREQ(notice, "-5-x");
}

}  // namespace
