// Smoke scenario: an updater whose payload lacks its settings file ends with the start-up notice.
#include <gtest/gtest.h>

#include "driver.h"

using namespace e2e;

namespace {

constexpr char kMissingSettings[] =
    "起動に必要なファイルが不足しています。\nインストールの異常終了、起動するフォルダ異常、等を確認してください。";

TEST(Smoke, PayloadWithoutSettingsEndsWithTheStartUpNotice) {
  ASSERT_TRUE(ClearClipboard());
  std::vector<std::string> folders_before = WorkFolders();
  Payload payload;
  payload.AddFile("readme.txt", "お読みください\r\n");
  std::string exe = BuildUpdater(payload, "no_settings");
  ASSERT_FALSE(exe.empty());

  Process updater = StartUpdater(exe);
  ASSERT_TRUE(updater.valid());
  std::optional<Notice> notice = WaitForMessageBox(updater.pid(), "");
  ASSERT_TRUE(notice.has_value());
  EXPECT_EQ(notice->text, kMissingSettings);
  EXPECT_EQ(notice->buttons, std::vector<int>{IDOK});
  EXPECT_EQ(Owner(notice->window), nullptr);
  EXPECT_EQ(ReadClipboardText(), std::optional<std::string>(kMissingSettings));

  ASSERT_TRUE(notice->Answer(IDOK));
  EXPECT_EQ(WaitForExit(updater), std::optional<DWORD>(kExitFailure));
  EXPECT_EQ(WorkFolders(), folders_before);
}

}  // namespace
