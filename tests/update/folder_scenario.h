// Shared steps of the folder scenarios: an updater with chosen settings, its menu's Update button,
// the notices of the lookup and the SETUP dialog.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"

namespace folder {

constexpr char kTitle[] = "フォルダ試験";
constexpr char kMenuTitle[] = "フォルダ試験 アップデータ";
constexpr char kSetupTitle[] = "アップデート先のフォルダの指定";
constexpr char kBrowserTitle[] = "フォルダーの参照";
constexpr char kRegGlobal[] = "ZolmirFolderTest";
constexpr char kRegLocal[] = "Game";
constexpr char kKeyPath[] = "Software\\ZolmirFolderTest\\Game";
// With no readme and no DirectX folder the menu is Exit (slot 0) and Update (slot 1).
constexpr int kUpdateButton = 1001;
constexpr int kSetupEdit = 1000;
constexpr int kSetupBrowse = 1021;

constexpr char kNotInstalled[] = "本体がインストールされていません";
constexpr char kFolderUnknown[] =
    "インストール先が特定できませんでした\n本体プログラムをインストールしてから実行してください";
constexpr char kTooOld[] = "アップデート元のバージョンが不適合です";
constexpr char kAlreadyApplied[] = "既にアップデート適応済みです";
constexpr char kManualQuestion[] =
    "[ フォルダ試験 ] 本体のインストール先を特定できませんでした。\nインストール先を手動で指定しますか？";
constexpr char kCalledOff[] = "アップデートを中止しました";
constexpr char kNetworkPath[] = "ネットワークドライブには対応していません。\nローカルドライブを選択して下さい。";
constexpr char kDriveRoot[] = "ルートには適応できません";
constexpr char kKeyFileMissing[] = "指定されたフォルダには [ フォルダ試験 ] 本体は発見できませんでした";
constexpr char kPathTooLong[] = "インストール先のパスが長すぎます\n短いパスのフォルダを指定してください";

inline std::string Confirmation(const std::string& folder) { return "[" + folder + "]をアップデートします"; }

// The smallest picture the menu accepts: a 1 x 1 TC00 image.
inline std::string TinyPicture() {
  std::string bytes("\x98\x5A\x92\x9A" "TC00", 8);
  const unsigned char numbers[] = {1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0x20, 0x40, 0x60};
  bytes.append(reinterpret_cast<const char*>(numbers), sizeof numbers);
  return bytes;
}

// install.env with the test's title and registry key, then `lines` ("KEY value" each).
inline std::string Settings(const std::vector<std::string>& lines) {
  std::string text = std::string("TITLEBAR ") + kTitle + "\r\nREG_GLOBAL " + kRegGlobal +
                     "\r\nREG_LOCAL " + kRegLocal + "\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text + "[EOF]\r\n";
}

inline void ClearRegistry() {
  for (e2e::RegView view : {e2e::RegView::k32, e2e::RegView::k64}) {
    e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, kKeyPath, view);
    e2e::DeleteRegTree(HKEY_CURRENT_USER, kKeyPath, view);
  }
}

inline void Register(const std::string& is_inst, const std::string& inst_to) {
  e2e::SetRegString(HKEY_LOCAL_MACHINE, kKeyPath, "IsInst", is_inst);
  e2e::SetRegString(HKEY_LOCAL_MACHINE, kKeyPath, "InstTo", inst_to);
}

// A running updater showing its menu.
struct Updater {
  e2e::Process process;
  HWND menu = nullptr;
  DWORD pid() const { return process.pid(); }
};

inline Updater Start(const std::vector<std::string>& settings, const std::string& name) {
  Updater updater;
  e2e::Payload payload;
  payload.AddFile("install.env", Settings(settings)).AddFile("insttscr.rct", TinyPicture());
  std::string exe = e2e::BuildUpdater(payload, name);
  if (exe.empty()) return updater;
  updater.process = e2e::StartUpdater(exe);
  if (!updater.process.valid()) return updater;
  updater.menu = e2e::WaitForWindow(updater.process.pid(), "#32770", kMenuTitle);
  return updater;
}

// Waits for the next notice, checks its text and its buttons, and answers it.
inline void Expect(const Updater& updater, const std::string& text, int answer,
                   std::vector<int> buttons = {}) {
  auto notice = e2e::WaitForMessageBox(updater.pid(), kMenuTitle);
  ASSERT_TRUE(notice.has_value()) << "waiting for: " << text;
  EXPECT_EQ(text, notice->text);
  EXPECT_EQ(updater.menu, e2e::Owner(notice->window));
  for (int id : buttons) EXPECT_TRUE(notice->Has(id)) << "button " << id << " in " << text;
  EXPECT_TRUE(notice->Answer(answer));
}

// The update was called off: its notice, and the menu is still there with its Update button.
inline void ExpectCalledOff(const Updater& updater) {
  Expect(updater, kCalledOff, IDOK);
  EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::FindMessageBox(updater.pid(), kMenuTitle) == std::nullopt; },
                             "no further notice"));
  EXPECT_TRUE(updater.process.Running());
  EXPECT_TRUE(IsWindowVisible(updater.menu));
  EXPECT_TRUE(e2e::IsControlEnabled(updater.menu, kUpdateButton));
}

// Closes the menu with its close box; the program ends with 0.
inline void Finish(Updater& updater) {
  e2e::CloseWithBox(updater.menu);
  auto code = e2e::WaitForExit(updater.process);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(0u, *code);
}

// Presses Update on a game that is not registered and agrees to name the folder by hand.
inline HWND OpenSetup(const Updater& updater) {
  e2e::Click(updater.menu, kUpdateButton);
  Expect(updater, kNotInstalled, IDOK, {IDOK});
  Expect(updater, kManualQuestion, IDYES, {IDYES, IDNO});
  HWND setup = e2e::WaitForWindow(updater.pid(), "#32770", kSetupTitle);
  if (setup) {
    EXPECT_EQ(updater.menu, e2e::Owner(setup));
  }
  return setup;
}

// The dialog may be found before its initialisation has filled the edit: wait for `text`.
inline bool WaitForEditText(HWND setup, const std::string& text) {
  return e2e::WaitUntil([&] { return e2e::ControlText(setup, kSetupEdit) == text; },
                        "the folder text in SETUP");
}

// Waits until the initialisation has put some text into the edit, so that typing is not
// overwritten by it. A proposal that is empty simply lets the wait run out.
inline void SettleSetup(HWND setup) {
  const DWORD limit = e2e::Scaled(e2e::kWaitMs);
  const DWORD start = GetTickCount();
  while (e2e::ControlText(setup, kSetupEdit).empty() && GetTickCount() - start < limit) {
    Sleep(e2e::kPollMs);
  }
}

// Types `text` into SETUP and presses Next.
inline void TypeAndNext(HWND setup, const std::string& text) {
  SettleSetup(setup);
  ASSERT_TRUE(e2e::SetControlText(setup, kSetupEdit, text));
  e2e::Click(setup, IDOK);
  EXPECT_TRUE(e2e::WaitForWindowGone(setup));
}

}  // namespace folder
