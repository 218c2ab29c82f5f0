// End-to-end scenarios of start-up and the main menu: the missing settings notice, the menu's
// buttons, and its endings.
#include <gtest/gtest.h>

#include "driver.h"
#include "resource.h"

namespace {

const char kStartupNotice[] =
    "起動に必要なファイルが不足しています。\nインストールの異常終了、起動するフォルダ異常、等を確認してください。";

TEST(Startup, MissingSettingsFileGivesTheNoticeAndRemovesTheWorkFolder) {
  const auto before = e2e::WorkFolders();
  e2e::Payload payload;
  payload.AddFile("readme.txt", "hello\r\n");
  std::string exe = e2e::BuildUpdater(payload, "no_env");
  ASSERT_FALSE(exe.empty());
  ASSERT_TRUE(e2e::ClearClipboard());
  e2e::Process process = e2e::StartUpdater(exe);
  ASSERT_TRUE(process.valid());
  auto notice = e2e::WaitForMessageBox(process.pid(), "");
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->text, kStartupNotice);
  EXPECT_EQ(e2e::Owner(notice->window), nullptr);
  EXPECT_TRUE(notice->Has(IDOK));
  EXPECT_FALSE(notice->Has(IDCANCEL));
  EXPECT_EQ(e2e::ReadClipboardText().value_or(""), kStartupNotice);
  ASSERT_TRUE(notice->Answer(IDOK));
  EXPECT_EQ(e2e::WaitForExit(process).value_or(0), e2e::kExitFailure);
  EXPECT_EQ(e2e::WorkFolders(), before);
}

e2e::Payload MenuPayload(const std::string& settings) {
  e2e::Payload payload;
  payload.AddFile("install.env", settings);
  payload.AddFile("readme.txt", "readme\r\n");
  return payload;
}

// A menu picture made by the converter, read from the image tests' data.
std::string MenuPicture() {
  auto bytes = e2e::ReadFileBytes(ZOLMIR_MENU_PICTURE);
  EXPECT_TRUE(bytes) << ZOLMIR_MENU_PICTURE;
  return bytes.value_or("");
}

TEST(MissingPicture, CancelInTheRetryNoticeEndsWithMinusOneAndLeavesTheWorkFolder) {
  const auto before = e2e::WorkFolders();
  std::string exe = e2e::BuildUpdater(MenuPayload("TITLEBAR Game\r\n"), "no_picture");
  ASSERT_FALSE(exe.empty());
  e2e::Process process = e2e::StartUpdater(exe);
  auto retry = e2e::WaitForMessageBox(process.pid(), nullptr);
  ASSERT_TRUE(retry);
  EXPECT_EQ(retry->text, "Ffopen : ファイル[insttscr.rct]の読み込みで失敗しました");
  EXPECT_EQ(e2e::ReadClipboardText().value_or(""), retry->text);
  EXPECT_TRUE(retry->Has(IDRETRY));
  EXPECT_TRUE(retry->Has(IDCANCEL));
  ASSERT_TRUE(retry->Answer(IDCANCEL));
  EXPECT_EQ(e2e::WaitForExit(process).value_or(0), e2e::kExitFailure);
  auto after = e2e::WorkFolders();
  EXPECT_EQ(after.size(), before.size() + 1);
  for (const auto& folder : after) {
    bool old = false;
    for (const auto& b : before) old = old || b == folder;
    if (!old) e2e::RemoveTree(folder);
  }
}

struct LayoutRow {
  const char* name;
  const char* settings;
  std::vector<std::string> labels;  // slot 0 upward
};

class MenuLayout : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(MenuLayout, ShowsItsSlotsIgnoresEscAndEndsCleanlyWithTheCloseBox) {
  const LayoutRow& row = GetParam();
  const auto before = e2e::WorkFolders();
  e2e::Payload payload = MenuPayload(row.settings);
  payload.AddFile("insttscr.rct", MenuPicture());
  std::string exe = e2e::BuildUpdater(payload, row.name);
  ASSERT_FALSE(exe.empty());
  e2e::Process process = e2e::StartUpdater(exe);
  HWND menu = e2e::WaitForWindow(process.pid(), "#32770", "Game アップデータ");
  ASSERT_NE(menu, nullptr);
  for (size_t slot = 0; slot < 9; ++slot) {
    int id = IDC_MENU_SLOT0 + static_cast<int>(slot);
    if (slot < row.labels.size()) {
      EXPECT_EQ(e2e::ControlText(menu, id), row.labels[slot]) << id;
    } else {
      EXPECT_FALSE(e2e::ControlExists(menu, id)) << id;
    }
  }
  e2e::SaveWindowShot(menu, std::string("menu_") + row.name);
  e2e::PostCommand(menu, IDCANCEL);
  Sleep(300);
  EXPECT_TRUE(process.Running());
  e2e::CloseWithBox(menu);
  EXPECT_EQ(e2e::WaitForExit(process).value_or(1), 0u);
  EXPECT_EQ(e2e::WorkFolders(), before);
}

const LayoutRow kLayouts[] = {
    {"plain", "TITLEBAR Game\r\n", {"終了", "アップデート"}},
    {"dash_readme", "TITLEBAR Game\r\nINSTREADME -はい\r\n", {"終了", "アップデート"}},
    {"readme", "TITLEBAR Game\r\nINSTREADME お読み|ください\r\n", {"終了", "お読み ください", "アップデート"}},
};
INSTANTIATE_TEST_SUITE_P(Layouts, MenuLayout, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
