// What the user meets of the settings file: a section left open ends the start with its notice,
// and the single-instance guard named by the updater title turns a second start away.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver.h"

namespace {

// The smallest picture the menu accepts: a 1 x 1 TC00 image.
std::string TinyPicture() {
  std::string bytes("\x98\x5A\x92\x9A" "TC00", 8);
  const unsigned char numbers[] = {1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0x20, 0x40, 0x60};
  bytes.append(reinterpret_cast<const char*>(numbers), sizeof numbers);
  return bytes;
}

std::string BuildWithSettings(const std::string& settings, const std::string& name) {
  e2e::Payload payload;
  payload.AddFile("install.env", settings).AddFile("insttscr.rct", TinyPicture());
  return e2e::BuildUpdater(payload, name);
}

// Work folders present now that were not in `before`.
std::vector<std::string> NewWorkFolders(const std::vector<std::string>& before) {
  std::vector<std::string> added;
  for (const std::string& folder : e2e::WorkFolders()) {
    if (std::find(before.begin(), before.end(), folder) == before.end()) added.push_back(folder);
  }
  return added;
}

struct OpenSectionCase {
  const char* name;
  const char* settings;
  const char* notice;
};

const OpenSectionCase kOpenSections[] = {
    {"IniAtEndOfFile", "TITLEBAR 区間試験\r\n[ini]\r\nkey=1\r\n", "[設定.env]の[ini]が終了していません"},
    {"RegAtEofLine", "TITLEBAR 区間試験\r\n[reg]\r\nv=1\r\nEOF\r\n-\r\n", "[設定.env]の[reg]が終了していません"},
};

class OpenSection : public testing::TestWithParam<std::tuple<OpenSectionCase, int>> {};

TEST_P(OpenSection, EndsTheStartWithItsNoticeAndMinusOne) {
  const OpenSectionCase& c = std::get<0>(GetParam());
  const int answer = std::get<1>(GetParam());
  std::string exe = BuildWithSettings(c.settings, "open_section");
  ASSERT_FALSE(exe.empty());
  std::vector<std::string> before = e2e::WorkFolders();

  e2e::Process updater = e2e::StartUpdater(exe);
  ASSERT_TRUE(updater.valid());
  // No main window exists yet: the notice has no owner and an empty caption.
  auto notice = e2e::WaitForMessageBox(updater.pid(), "");
  ASSERT_TRUE(notice.has_value());
  EXPECT_EQ(notice->text, c.notice);
  EXPECT_TRUE(notice->Has(IDRETRY));
  EXPECT_TRUE(notice->Has(IDCANCEL));
  EXPECT_FALSE(notice->Has(IDOK));
  EXPECT_EQ(e2e::Owner(notice->window), nullptr);
  EXPECT_EQ(e2e::ReadClipboardText().value_or("<none>"), c.notice);
  EXPECT_TRUE(notice->Answer(answer));

  auto code = e2e::WaitForExit(updater);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, e2e::kExitFailure);
  // This ending leaves the work folder in place, with the settings file in it.
  std::vector<std::string> left = NewWorkFolders(before);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(e2e::FileExists(e2e::JoinPath(left[0], "install.env")));
  e2e::RemoveTree(left[0]);
}

INSTANTIATE_TEST_SUITE_P(Settings, OpenSection,
                         testing::Combine(testing::ValuesIn(kOpenSections), testing::Values(IDRETRY, IDCANCEL)),
                         [](const testing::TestParamInfo<std::tuple<OpenSectionCase, int>>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == IDRETRY ? "Retry" : "Cancel");
                         });

constexpr char kGuardTitle[] = "二重起動試験";
constexpr char kGuardUpdaterTitle[] = "二重起動試験 アップデータ";
constexpr char kMarker[] = "clipboard marker of the guard test";

TEST(SingleInstance, SecondStartIsTurnedAwayByTheUpdaterTitle) {
  std::string exe = BuildWithSettings(std::string("TITLEBAR ") + kGuardTitle + "\r\n[EOF]\r\n", "guard");
  ASSERT_FALSE(exe.empty());
  std::vector<std::string> before = e2e::WorkFolders();

  e2e::Process first = e2e::StartUpdater(exe);
  ASSERT_TRUE(first.valid());
  HWND menu = e2e::WaitForWindow(first.pid(), "#32770", kGuardUpdaterTitle);
  ASSERT_NE(menu, nullptr);
  std::vector<std::string> first_folders = NewWorkFolders(before);
  ASSERT_EQ(first_folders.size(), 1u);

  ASSERT_TRUE(e2e::WriteClipboardText(kMarker));
  e2e::Process second = e2e::StartUpdater(exe);
  ASSERT_TRUE(second.valid());
  // A plain box, not a notice: the game's name as caption, no owner, OK only.
  auto box = e2e::WaitForMessageBox(second.pid(), kGuardTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, std::string("[ ") + kGuardUpdaterTitle + " ] は既に起動中です");
  EXPECT_TRUE(box->Has(IDOK));
  EXPECT_FALSE(box->Has(IDCANCEL));
  EXPECT_EQ(e2e::Owner(box->window), nullptr);
  EXPECT_EQ(e2e::ReadClipboardText().value_or("<none>"), kMarker);
  // The second start filled a work folder of its own before it looked at the mutex.
  EXPECT_EQ(NewWorkFolders(before).size(), 2u);
  EXPECT_TRUE(box->Answer(IDOK));

  auto code = e2e::WaitForExit(second);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(NewWorkFolders(before), first_folders);
  EXPECT_TRUE(e2e::DirExists(first_folders[0]));
  EXPECT_EQ(e2e::ReadClipboardText().value_or("<none>"), kMarker);
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(IsWindowVisible(menu));
  EXPECT_EQ(e2e::FindMessageBox(first.pid(), nullptr), std::nullopt);

  e2e::CloseWithBox(menu);
  auto first_code = e2e::WaitForExit(first);
  ASSERT_TRUE(first_code.has_value());
  EXPECT_EQ(*first_code, 0u);
  EXPECT_TRUE(NewWorkFolders(before).empty());
}

}  // namespace
