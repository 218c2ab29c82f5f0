// The section reader: the five lists, its comment and closing rules, and its two fatal notices.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_services.h"
#include "settings/settings.h"
#include "settings/settings_reader.h"
#include "settings_files.h"
#include "shell/services.h"

namespace {

using Items = std::vector<std::string>;

struct Lists {
  Items delfiles, delfiles_user, ini, reg, delfiles_afterinst;
  bool operator==(const Lists& o) const {
    return delfiles == o.delfiles && delfiles_user == o.delfiles_user && ini == o.ini && reg == o.reg &&
           delfiles_afterinst == o.delfiles_afterinst;
  }
};

void PrintTo(const Lists& l, std::ostream* os) {
  auto print = [os](const char* name, const Items& items) {
    *os << name << "{";
    for (const std::string& i : items) *os << "\"" << i << "\" ";
    *os << "} ";
  };
  print("delfiles", l.delfiles);
  print("delfiles_user", l.delfiles_user);
  print("ini", l.ini);
  print("reg", l.reg);
  print("delfiles_afterinst", l.delfiles_afterinst);
}

Items ItemsOf(const DirectiveNode* node) {
  Items items;
  for (; node; node = node->next) items.push_back(node->text);
  return items;
}

Lists ListsOf(const DirectiveLists& d) {
  return {ItemsOf(d.first[0]), ItemsOf(d.first[1]), ItemsOf(d.first[2]), ItemsOf(d.first[3]),
          ItemsOf(d.first[4])};
}

struct SectionCase {
  const char* name;
  std::string bytes;
  Lists expected;
  int open;
};

const std::string kLongItem = std::string(511, 'a') + "bbb";

const SectionCase kSectionCases[] = {
    {"ItemsInFileOrder", "[ini]\nb=2\na=1\n-\n", {{}, {}, {"b=2", "a=1"}, {}, {}}, kNoSection},
    {"AllFiveSections",
     "[delfiles]\nd1\n-\n[delfiles_user]\nu1\n-\n[ini]\ni1\n-\n[reg]\nr1\n-\n[delfiles_afterinst]\na1\na2\n-\n",
     {{"d1"}, {"u1"}, {"i1"}, {"r1"}, {"a1", "a2"}}, kNoSection},
    {"ShortHeaderIsNotTheLongOne", "[delfiles_user]\nu\n-\n[delfiles]x\nd\n-\n", {{"d"}, {"u"}, {}, {}, {}},
     kNoSection},
    {"HeaderWithComment", "[reg] // registry values\nr\n-\n", {{}, {}, {}, {"r"}, {}}, kNoSection},
    {"EmptyIni", "[ini]\n-\n", {}, kNoSection},
    {"IniAsLastLine", "[reg]\nr\n-\n[ini]", {{}, {}, {}, {"r"}, {}}, static_cast<int>(DirectiveSection::Ini)},
    {"RepeatedIniReplaces", "[ini]\nold1\nold2\n-\n[reg]\nr\n-\n[ini]\nnew\n-\n", {{}, {}, {"new"}, {"r"}, {}},
     kNoSection},
    {"RepeatedIniEmpty", "[ini]\nold\n-\n[ini]\n-\n", {}, kNoSection},
    {"HeaderSwitchesSection", "[ini]\ni\n[reg]\nr\n-\n", {{}, {}, {"i"}, {"r"}, {}}, kNoSection},
    {"CommentsSkippedInsideSection", "[ini]\n// note\n; note\na\n//\n-\n", {{}, {}, {"a"}, {}, {}}, kNoSection},
    {"IndentedCommentIsItem", "[ini]\n  // note\n  ; note\n-\n", {{}, {}, {"  // note", "  ; note"}, {}, {}},
     kNoSection},
    {"IndentedClosingIsItem", "[ini]\n  -\n\t[reg]\n-\n", {{}, {}, {"  -", "\t[reg]"}, {}, {}}, kNoSection},
    {"ClosingLineWithText", "[ini]\na\n-\t// end of ini\nb\n", {{}, {}, {"a"}, {}, {}}, kNoSection},
    {"LinesOutsideSectionsIgnored", "TITLEBAR x\nb\n[ini]\na\n-\nc\n[reg]\nr\n-\nd\n",
     {{}, {}, {"a"}, {"r"}, {}}, kNoSection},
    {"TrailingBlanksRemoved", "[ini]  \r\na=1 \t\r\n  b=2  \r\n \t \r\n-\r\n", {{}, {}, {"a=1", "  b=2"}, {}, {}},
     kNoSection},
    {"SettingsEndMarkOutside", "[EOF]\n[ini]\na\n-\n", {{}, {}, {"a"}, {}, {}}, kNoSection},
    {"SettingsEndMarkInside", "[ini]\n[EOF]\n-\n", {{}, {}, {"[EOF]"}, {}, {}}, kNoSection},
    {"StopsAtEof", "[ini]\na\n-\nEOF\n[reg]\nr\n", {{}, {}, {"a"}, {}, {}}, kNoSection},
    {"StopsAtEofWithText", "[ini]\na\n-\nEOF of the file\n[reg]\nr\n", {{}, {}, {"a"}, {}, {}}, kNoSection},
    {"EofInsideSection", "[reg]\nr\nEOF\n-\n", {{}, {}, {}, {"r"}, {}}, static_cast<int>(DirectiveSection::Reg)},
    {"IndentedEofIsItem", "[reg]\n EOF\n-\n", {{}, {}, {}, {" EOF"}, {}}, kNoSection},
    {"OpenAtEndOfFile", "[delfiles_afterinst]\nx", {{}, {}, {}, {}, {"x"}},
     static_cast<int>(DirectiveSection::DelfilesAfterinst)},
    {"LongLineGoesOnAsNextLine", "[ini]\n" + kLongItem + "\n-\n", {{}, {}, {kLongItem.substr(0, 511), "bbb"}, {}, {}},
     kNoSection},
    {"NulEndsTheLine", std::string("[ini]\nab\0cd\n-\n", 14), {{}, {}, {"ab"}, {}, {}}, kNoSection},
};

void PrintTo(const SectionCase& c, std::ostream* os) { *os << c.name; }

class SectionRules : public testing::TestWithParam<SectionCase> {};

TEST_P(SectionRules, FillTheExpectedLists) {
  const SectionCase& c = GetParam();
  FILE* stream = fmemopen(const_cast<char*>(c.bytes.data()), c.bytes.size(), "r");
  ASSERT_NE(stream, nullptr);
  DirectiveLists lists = {};
  EXPECT_EQ(ReadDirectiveLines(stream, &lists, AllocOrWarn), c.open);
  fclose(stream);
  EXPECT_EQ(ListsOf(lists), c.expected);
  FreeDirectiveLists(&lists);
  for (int s = 0; s < kDirectiveSectionCount; ++s) EXPECT_EQ(lists.first[s], nullptr);
}

INSTANTIATE_TEST_SUITE_P(Directives, SectionRules, testing::ValuesIn(kSectionCases),
                         [](const testing::TestParamInfo<SectionCase>& info) { return info.param.name; });

TEST(LoadDirectives, FillsTheListsOfTheRun) {
  ResetSettingsForTests();
  LoadDirectives(WriteSettingsFile("[ini]\nkey=REP_INSTALL\n-\n[delfiles_afterinst]\nold.dat\n-\n").c_str());
  EXPECT_EQ(ItemsOf(FirstDirective(DirectiveSection::Ini)), Items{"key=REP_INSTALL"});
  EXPECT_EQ(ItemsOf(FirstDirective(DirectiveSection::DelfilesAfterinst)), Items{"old.dat"});
  EXPECT_EQ(FirstDirective(DirectiveSection::Reg), nullptr);
  EXPECT_EQ(FirstDirective(static_cast<DirectiveSection>(9)), nullptr);
}

// Gives out a fixed number of blocks, then fails as AllocOrWarn does after its box.
int g_blocks_left = 0;
void* LimitedAllocate(size_t size) {
  if (g_blocks_left <= 0) return nullptr;
  --g_blocks_left;
  return malloc(size);
}

TEST(LoadDirectives, OutOfMemoryDropsItemsButJudgesSectionsRightly) {
  const char text[] = "[ini]\na\nb\nc\n-\n";
  for (int blocks = 2; blocks < 4; ++blocks) {  // a node and its text each
    FILE* stream = fmemopen(const_cast<char*>(text), sizeof text - 1, "r");
    ASSERT_NE(stream, nullptr);
    DirectiveLists lists = {};
    g_blocks_left = blocks;
    EXPECT_EQ(ReadDirectiveLines(stream, &lists, LimitedAllocate), kNoSection);
    fclose(stream);
    EXPECT_EQ(ItemsOf(lists.first[2]), Items{"a"});
    FreeDirectiveLists(&lists);
  }
}

struct FatalCase {
  const char* name;
  std::string bytes;  // empty: the file does not exist
  std::string notice;
};

const FatalCase kFatalCases[] = {
    {"IniLeftOpen", "[ini]", "[設定.env]の[ini]が終了していません"},
    {"RegOpenAtEof", "[reg]\nr\nEOF\n", "[設定.env]の[reg]が終了していません"},
    {"DelfilesOpen", "[delfiles]\nx\n", "[設定.env]の[delfiles]が終了していません"},
    {"DelfilesUserOpen", "[delfiles_user]\n", "[設定.env]の[delfiles_user]が終了していません"},
    {"AfterinstOpen", "[ini]\n-\n[delfiles_afterinst]\n", "[設定.env]の[delfiles_afterinst]が終了していません"},
    {"MissingFile", "", "ファイルを開けませんでした。"},
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class FatalNotices : public testing::TestWithParam<std::tuple<FatalCase, NoticeAnswer>> {};

TEST_P(FatalNotices, EndTheProgramWithMinusOneWhicheverButton) {
  const FatalCase& c = std::get<0>(GetParam());
  std::string path = c.bytes.empty() ? testing::TempDir() + "missing.env" : WriteSettingsFile(c.bytes);
  std::string notice = c.bytes.empty() ? "[" + path + "]" + c.notice : c.notice;
  SetNoticeAnswer(std::get<1>(GetParam()));
  EXPECT_EXIT(LoadDirectives(path.c_str()), testing::ExitedWithCode(255),
              testing::HasSubstr("NOTICE[" + notice + "]\n"));
  SetNoticeAnswer(NoticeAnswer::Retry);
}

INSTANTIATE_TEST_SUITE_P(
    Directives, FatalNotices, testing::Combine(testing::ValuesIn(kFatalCases),
                                               testing::Values(NoticeAnswer::Retry, NoticeAnswer::Cancel)),
    [](const testing::TestParamInfo<std::tuple<FatalCase, NoticeAnswer>>& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == NoticeAnswer::Retry ? "Retry" : "Cancel");
    });

TEST(LoadDirectives, ClosedSectionsShowNoNotice) {
  ResetSettingsForTests();
  ClearShownNotices();
  LoadDirectives(WriteSettingsFile("[ini]\na\n-\n[reg]\n-\nEOF\n[ini]\n").c_str());
  EXPECT_EQ(ShownNotices(), "");
  EXPECT_EQ(ItemsOf(FirstDirective(DirectiveSection::Ini)), Items{"a"});
}

}  // namespace
