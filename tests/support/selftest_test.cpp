// The test bed proved against its own small program: windows, notices, clipboard, registry, files, pixels.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "driver.h"

using namespace e2e;

namespace {

constexpr int kButtonId = 1001;
constexpr int kProgressId = 1002;
constexpr int kEditId = 1003;
constexpr char kKey[] = "Software\\ZolmirBedSelftest";

std::string App() { return BED_SELFTEST_APP; }

struct ExitCase {
  const char* name;
  const char* arguments;
  DWORD expected;
};

class BedExitCode : public ::testing::TestWithParam<ExitCase> {};

// Exit codes arrive whole, the fatal -1 included.
TEST_P(BedExitCode, IsPassedThrough) {
  Process app = StartProgram(App(), GetParam().arguments);
  ASSERT_TRUE(app.valid());
  std::optional<DWORD> code = WaitForExit(app);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Codes, BedExitCode,
                         ::testing::Values(ExitCase{"Zero", "exit 0", 0},
                                           ExitCase{"Seven", "exit 7", 7},
                                           ExitCase{"MinusOne", "exit -1", kExitFailure}),
                         [](const ::testing::TestParamInfo<ExitCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(Bed, WindowControlsProgressAndPixels) {
  Process app = StartProgram(App(), "");
  HWND window = WaitForWindow(app.pid(), "BedSelftest", "試験窓");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window), "\x8E\x8E\x8C\xB1\x91\x8B");  // 試験窓 in cp932
  EXPECT_EQ(ControlText(window, kButtonId), "押す");
  EXPECT_TRUE(ControlExists(window, kProgressId));
  EXPECT_FALSE(ControlExists(window, 4242));
  EXPECT_TRUE(IsControlVisible(window, kButtonId));
  RECT button = ControlRect(window, kButtonId);
  EXPECT_EQ(button.left, 80);
  EXPECT_EQ(button.top, 10);
  EXPECT_EQ(button.right - button.left, 100);
  EXPECT_EQ(ProgressPos(GetDlgItem(window, kProgressId)), 42);
  EXPECT_EQ(ProgressRange(GetDlgItem(window, kProgressId)), std::make_pair(0, 104));

  ASSERT_TRUE(SetControlText(window, kEditId, "入力した文字"));
  EXPECT_EQ(ControlText(window, kEditId), "入力した文字");

  SetForegroundWindow(window);
  ASSERT_TRUE(WaitUntil([&] { return CaptureClient(window).At(10, 10) == 0x336699u; },
                        "the painted square"));
  Picture shot = CaptureClient(window);
  EXPECT_EQ(shot.At(63, 63), 0x336699u);
  EXPECT_NE(shot.At(70, 100), 0x336699u);
  EXPECT_FALSE(SaveWindowShot(window, "bed_selftest_window").empty());
  EXPECT_FALSE(SaveScreenshot("bed_selftest_screen").empty());

  CloseWithBox(window);
  EXPECT_TRUE(WaitForWindowGone(window));
  EXPECT_EQ(WaitForExit(app), std::optional<DWORD>(0));
}

TEST(Bed, NoticeClipboardRegistryAndFiles) {
  ASSERT_TRUE(DeleteRegTree(HKEY_CURRENT_USER, kKey));
  ASSERT_TRUE(ClearClipboard());
  std::string folder = MakeTempFolder("run");
  Process app = StartProgram(App(), "", folder);
  HWND window = WaitForWindow(app.pid(), nullptr, "試験窓");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(SetControlText(window, kEditId, "ソ表"));  // trail bytes 0x5C
  Click(window, kButtonId);

  std::optional<Notice> notice = WaitForMessageBox(app.pid(), "");
  ASSERT_TRUE(notice.has_value());
  EXPECT_EQ(notice->text, "日本語の本文です\n二行目");
  EXPECT_EQ(notice->buttons, (std::vector<int>{IDCANCEL, IDRETRY}));
  EXPECT_EQ(Owner(notice->window), window);

  EXPECT_EQ(ReadClipboardText(), std::optional<std::string>("クリップボードの文字\r\n二行目"));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kKey, "Text"), std::optional<std::string>("ソ表"));
  EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, kKey, "Number"), std::optional<DWORD>(1234));
  EXPECT_EQ(ReadRegType(HKEY_CURRENT_USER, kKey, "Number"), std::optional<DWORD>(REG_DWORD));
  EXPECT_EQ(ReadFileBytes(JoinPath(folder, "written.txt")), std::optional<std::string>("ソ表"));
  EXPECT_EQ(ListFolder(folder), std::vector<std::string>{"written.txt"});

  ASSERT_TRUE(notice->Answer(IDRETRY));
  EXPECT_EQ(WaitForExit(app), std::optional<DWORD>(3));
  EXPECT_TRUE(DeleteRegTree(HKEY_CURRENT_USER, kKey));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kKey));
}

// A program that ignores the close box makes the wait fail, naming what it waited for and the
// program's windows, instead of hanging the run.
TEST(Bed, BoundedWaitsFailWithTheWindowList) {
  Process app = StartProgram(App(), "hang");
  HWND window = WaitForWindow(app.pid(), "BedSelftest", nullptr);
  ASSERT_NE(window, nullptr);
  CloseWithBox(window);
  EXPECT_NONFATAL_FAILURE(WaitForExit(app, 300), "class \"BedSelftest\" title \"試験窓\"");
  EXPECT_NONFATAL_FAILURE(WaitForMessageBox(app.pid(), "", 200), "a message box captioned");
  Kill(app);
  EXPECT_FALSE(app.Running());
}

TEST(Bed, RegistryViewsAreApart) {
  const std::string key = "Software\\ZolmirBedView";
  ASSERT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, key, RegView::k32));
  ASSERT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, key, RegView::k64));
  ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, key, "InstTo", "C:\\64", RegView::k64));
  EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, key, "InstTo").has_value());
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key, "InstTo", RegView::k64),
            std::optional<std::string>("C:\\64"));
  EXPECT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, key, RegView::k64));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, key, RegView::k64));
}

TEST(Bed, FilesAndTimes) {
  std::string folder = MakeTempFolder("files");
  std::string file = JoinPath(folder, "表.txt");
  ASSERT_TRUE(WriteFileBytes(file, std::string("a\0b", 3)));
  EXPECT_EQ(ReadFileBytes(file), std::optional<std::string>(std::string("a\0b", 3)));
  ASSERT_TRUE(SetFileWriteTime(file, kDefaultFileTime));
  EXPECT_EQ(FileWriteTime(file), std::optional<uint64_t>(kDefaultFileTime));
  ASSERT_TRUE(CreateDirectoryA(JoinPath(folder, "sub").c_str(), nullptr));
  EXPECT_EQ(ListFolder(folder), (std::vector<std::string>{"sub\\", "表.txt"}));
  EXPECT_TRUE(DirExists(JoinPath(folder, "sub")));
  EXPECT_FALSE(FileExists(JoinPath(folder, "sub")));
  EXPECT_TRUE(RemoveTree(folder));
  EXPECT_FALSE(DirExists(folder));
}

}  // namespace
