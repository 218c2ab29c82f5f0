// End-to-end scenarios of the update procedure under Wine: a registered game updated from start
// to end, the manual path through SETUP, the short end dialog and every way of calling off.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "driver.h"

using namespace e2e;

namespace {

constexpr char kEndTitle[] = "インストール終了";
constexpr char kCalledOff[] = "アップデートを中止しました";
constexpr char kNotInstalled[] = "本体がインストールされていません";
constexpr char kSetupTitle[] = "アップデート先のフォルダの指定";
constexpr char kUpdateLabel[] = "アップデート";
constexpr char kExitLabel[] = "終了";
constexpr int kSetupFolderEdit = 1000;
constexpr int kEndReadmeBox = 1007;
// How long a readme viewer gets to appear, and how long the test watches for one that must not.
constexpr unsigned kViewerWaitMs = 15000;
constexpr unsigned kNoViewerWatchMs = 1500;
// 2011-11-11 11:11:11 UTC and 2015-05-05 05:05:05 UTC as FILETIME values.
constexpr uint64_t kStageTime = 0x01CCA05E0E8E5D80ull;
constexpr uint64_t kNewFileTime = 0x01D086E73E6BB480ull;

constexpr char kReadme[] = "デモの説明書\r\n";

// The settings file and the menu picture that every updater here carries first.
Payload UpdatePayload(const std::string& settings) {
  std::optional<std::string> picture = ReadFileBytes(ZOLMIR_MENU_PICTURE);
  EXPECT_TRUE(picture.has_value()) << ZOLMIR_MENU_PICTURE;
  Payload payload;
  payload.AddFile("install.env", settings).AddFile("insttscr.rct", picture.value_or(""));
  return payload;
}

std::string KeyPath(const std::string& global, const std::string& local) {
  return "Software\\" + global + "\\" + local;
}

// A settings value cannot hold a blank: the vertical bar stands for one.
std::string SettingValue(std::string text) {
  std::replace(text.begin(), text.end(), ' ', '|');
  return text;
}

void RegisterGame(const std::string& global, const std::string& local, const std::string& folder) {
  ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, KeyPath(global, local), "IsInst", "1"));
  ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, KeyPath(global, local), "InstTo", folder));
}

void ForgetGame(const std::string& global, const std::string& local) {
  DeleteRegTree(HKEY_LOCAL_MACHINE, KeyPath(global, local));
  DeleteRegTree(HKEY_CURRENT_USER, KeyPath(global, local));
}

// The installed game: its key file, a stage file the update overwrites, a save file that stays,
// and two temporary files of the save folder that the update deletes.
std::string MakeGameFolder(const std::string& tag) {
  std::string game = MakeTempFolder(tag);
  CreateDirectoryA(JoinPath(game, "data").c_str(), nullptr);
  CreateDirectoryA(JoinPath(game, "save").c_str(), nullptr);
  CreateDirectoryA(JoinPath(game, "keep").c_str(), nullptr);
  WriteFileBytes(JoinPath(game, "game.exe"), "MZ game");
  WriteFileBytes(JoinPath(game, "data\\stage1.dat"), "old stage");
  WriteFileBytes(JoinPath(game, "keep\\slot1.sav"), "saved game");
  WriteFileBytes(JoinPath(game, "save\\a.tmp"), "temporary");
  WriteFileBytes(JoinPath(game, "save\\b.tmp"), "temporary");
  return game;
}

// Root of the first CD-ROM drive, or "E:\" when the machine has none.
std::string CdromRoot() {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::string root = std::string(1, letter) + ":\\";
    if (GetDriveTypeA(root.c_str()) == DRIVE_CDROM) return root;
  }
  return "E:\\";
}

std::string IniValue(const std::string& file, const std::string& section, const std::string& key) {
  char value[512];
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", value, sizeof value,
                           file.c_str());
  return value;
}

// A window that was not there before and whose title names the readme.
HWND NewReadmeWindow(const std::set<HWND>& before) { return NewWindowTitled(before, "readme"); }

void CloseReadmeViewer(HWND viewer) {
  PostClose(viewer);
  WaitForWindowGone(viewer);
}

// The running updater with its main menu.
struct Updater {
  Process process;
  HWND menu = nullptr;

  int SlotWithLabel(const char* label) const {
    for (int id = 1000; id <= 1008; ++id) {
      if (ControlExists(menu, id) && ControlText(menu, id) == label) return id;
    }
    return 0;
  }
};

Updater StartWithMenu(const std::string& exe, const std::string& title) {
  Updater updater;
  updater.process = StartUpdater(exe);
  if (!updater.process.valid()) return updater;
  updater.menu = WaitForWindow(updater.process.pid(), "#32770", title.c_str());
  return updater;
}

// Answers the notice with this caption, after checking its text; false when it did not come.
bool ExpectNotice(Updater& updater, const std::string& caption, const std::string& text, int answer) {
  std::optional<Notice> notice = WaitForMessageBox(updater.process.pid(), caption.c_str());
  if (!notice) return false;
  EXPECT_EQ(notice->text, text);
  EXPECT_TRUE(notice->Has(answer)) << notice->text;
  EXPECT_EQ(Owner(notice->window), updater.menu);
  return notice->Answer(answer);
}

std::string Confirmation(const std::string& folder) { return "[" + folder + "]をアップデートします"; }

std::string ManualQuestion(const std::string& game_name) {
  return "[ " + game_name + " ] 本体のインストール先を特定できませんでした。\nインストール先を手動で指定しますか？";
}

// ---------------------------------------------------------------------------------------------

class UpdateProcedure : public ::testing::Test {
 protected:
  // The readme relies on the .txt association a player's Windows has.
  void SetUp() override { EnsureTextAssociation(); }
  void TearDown() override {
    for (const auto& key : keys_) ForgetGame(key.first, key.second);
  }
  void Track(const std::string& global, const std::string& local) { keys_.push_back({global, local}); }

 private:
  std::vector<std::pair<std::string, std::string>> keys_;
};

TEST_F(UpdateProcedure, RegisteredGameIsUpdatedFromStartToEnd) {
  const std::string global = "ZolmirProcedure";
  const std::string local = "Full";
  Track(global, local);
  ForgetGame(global, local);
  std::string game = MakeGameFolder("game");
  std::string ini_folder = MakeTempFolder("ini");
  std::string ini_file = JoinPath(ini_folder, "game.ini");
  RegisterGame(global, local, game);

  std::string settings =
      "TITLEBAR\tテスト|ゲーム\r\n"
      "REG_GLOBAL\t" + global + "\r\n"
      "REG_LOCAL\t" + local + "\r\n"
      "KEYFILE\tgame.exe\r\n"
      "INI_FILE\t" + SettingValue(ini_file) + "\r\n"
      "INI_SECTION\tGame\r\n"
      "INSTREADME\treadmeを読む\r\n"
      "INSTREADMEFL\treadme.txt\r\n"
      "[ini]\r\n"
      "SavePath=REP_INSTALL\\save\r\n"
      "Twice=REP_INSTALL;REP_INSTALL\r\n"
      "Cd=REP_CDROMDRIVE\\data\r\n"
      "Comment=kept ; trailing comment\r\n"
      " Spaced = value \r\n"
      "NoEquals\r\n"
      "-\r\n"
      "[reg]\r\n"
      "\"SavePath\"=\"REP_INSTALL\\\\save\"\r\n"
      "\"Cd\"=\"REP_CDROMDRIVE\"\r\n"
      "\"CdRoot\"=\"REP_CDROM\"\r\n"
      "\"\"=\"既定値\"\r\n"
      "@=\"passed over\"\r\n"
      "\"Open\"=\"\r\n"
      "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
      "-\r\n"
      "[delfiles_afterinst]\r\n"
      "install.env\r\n"
      "save\\*.tmp\r\n"
      "-\r\n";
  Payload payload = UpdatePayload(settings);
  payload
      .AddFile("readme.txt", kReadme)
      .AddFolder("data\\")
      .AddFile("data\\stage1.dat", "new stage", kStageTime)
      .AddFile("data\\stage2.dat", "second stage", kNewFileTime)
      .AddFolder("save\\")
      .AddFile("save\\c.tmp", "temporary from the update");
  std::string exe = BuildUpdater(payload, "full");
  ASSERT_FALSE(exe.empty());
  std::vector<std::string> work_before = WorkFolders();

  const std::string title = "テスト ゲーム アップデータ";
  Updater updater = StartWithMenu(exe, title);
  ASSERT_NE(updater.menu, nullptr);
  int update_slot = updater.SlotWithLabel(kUpdateLabel);
  ASSERT_EQ(update_slot, 1002) << "exit, readme, update";
  Click(updater.menu, update_slot);
  ASSERT_TRUE(ExpectNotice(updater, title, Confirmation(game), IDYES));

  HWND end = WaitForWindow(updater.process.pid(), "#32770", kEndTitle, kExitWaitMs);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(Owner(end), updater.menu);
  EXPECT_EQ(ControlText(end, kEndReadmeBox), "readmeを読む");
  EXPECT_EQ(CheckState(end, kEndReadmeBox), BST_UNCHECKED);
  EXPECT_EQ(ControlText(end, 0xFFFF),
            "インストールを終了しました。\n以下のメニューを選択してＯＫを押して下さい。");
  ASSERT_TRUE(SetCheckState(end, kEndReadmeBox, true));
  std::set<HWND> before = AllVisibleWindows();
  Click(end, IDOK);

  HWND viewer = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return (viewer = NewReadmeWindow(before)) != nullptr; },
                        "a readme viewer window", kViewerWaitMs));
  EXPECT_EQ(WaitForExit(updater.process), std::optional<DWORD>(0));
  if (viewer) CloseReadmeViewer(viewer);
  EXPECT_EQ(WorkFolders(), work_before);

  // Files with their payload time stamps; the existing stage overwritten.
  EXPECT_EQ(ReadFileBytes(JoinPath(game, "data\\stage1.dat")), std::optional<std::string>("new stage"));
  EXPECT_EQ(FileWriteTime(JoinPath(game, "data\\stage1.dat")), std::optional<uint64_t>(kStageTime));
  EXPECT_EQ(FileWriteTime(JoinPath(game, "data\\stage2.dat")), std::optional<uint64_t>(kNewFileTime));
  EXPECT_EQ(ReadFileBytes(JoinPath(game, "readme.txt")), std::optional<std::string>(kReadme));
  EXPECT_EQ(ReadFileBytes(JoinPath(game, "keep\\slot1.sav")), std::optional<std::string>("saved game"));
  // [delfiles_afterinst]: the settings copy and save\*.tmp deleted, the emptied save removed.
  EXPECT_FALSE(FileExists(JoinPath(game, "install.env")));
  EXPECT_FALSE(DirExists(JoinPath(game, "save")));
  EXPECT_TRUE(DirExists(JoinPath(game, "keep")));

  // [ini]: first occurrence only, nothing trimmed, the comment kept, the line without "=" skipped.
  std::string cd = CdromRoot();
  EXPECT_EQ(IniValue(ini_file, "Game", "SavePath"), game + "\\save");
  EXPECT_EQ(IniValue(ini_file, "Game", "Twice"), game + ";REP_INSTALL");
  EXPECT_EQ(IniValue(ini_file, "Game", "Cd"), cd + "\\data");
  std::optional<std::string> ini_bytes = ReadFileBytes(ini_file);
  ASSERT_TRUE(ini_bytes.has_value());
  EXPECT_EQ(IniValue(ini_file, "Game", "Comment"), "kept ; trailing comment");
  EXPECT_NE(ini_bytes->find("kept ; trailing comment\r\n"), std::string::npos) << *ini_bytes;
  // The blanks go to the INI writer untouched; the profile functions themselves drop them.
  EXPECT_EQ(IniValue(ini_file, "Game", "Spaced"), "value");
  EXPECT_EQ(ini_bytes->find("NoEquals"), std::string::npos) << *ini_bytes;

  // [reg]: un-escaped, substituted, the default value, "@=" passed over, open data empty.
  const std::string key = KeyPath(global, local);
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, "SavePath"), std::optional<std::string>(game + "\\save"));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, "Cd"), std::optional<std::string>(cd + "DRIVE"));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, "CdRoot"), std::optional<std::string>(cd));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, ""), std::optional<std::string>("既定値"));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, "Open"), std::optional<std::string>(""));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, "Quote"), std::optional<std::string>("say \"hi\""));
  EXPECT_EQ(ReadRegType(HKEY_CURRENT_USER, key, "@"), std::nullopt);
}

TEST_F(UpdateProcedure, ShortEndDialogIniInWindowsDirectoryAndNoRegistryWrites) {
  // REG_GLOBAL and INI_FILE keep their default "-".
  const std::string local = "ZolmirProcedureShort";
  Track("-", local);
  ForgetGame("-", local);
  std::string game = MakeGameFolder("game");
  RegisterGame("-", local, game);
  std::string windows_ini = JoinPath(WindowsDirectory(), "-");
  DeleteFileA(windows_ini.c_str());

  std::string settings =
      "TITLEBAR\tShort\r\n"
      "REG_LOCAL\t" + local + "\r\n"
      "[ini]\r\nShortKey=REP_INSTALL\r\n-\r\n"
      "[reg]\r\n\"Name\"=\"Data\"\r\n-\r\n";
  Payload payload = UpdatePayload(settings);
  payload.AddFile("data\\stage1.dat", "new stage");
  std::string exe = BuildUpdater(payload, "short");
  ASSERT_FALSE(exe.empty());

  Updater updater = StartWithMenu(exe, "Short アップデータ");
  ASSERT_NE(updater.menu, nullptr);
  ASSERT_EQ(updater.SlotWithLabel(kUpdateLabel), 1001) << "no readme button";
  Click(updater.menu, 1001);
  ASSERT_TRUE(ExpectNotice(updater, "Short アップデータ", Confirmation(game), IDYES));
  HWND end = WaitForWindow(updater.process.pid(), "#32770", kEndTitle, kExitWaitMs);
  ASSERT_NE(end, nullptr);
  EXPECT_FALSE(ControlExists(end, kEndReadmeBox));
  EXPECT_EQ(ControlText(end, 0xFFFF), "インストールを終了しました。");
  std::set<HWND> before = AllVisibleWindows();
  Click(end, IDOK);
  EXPECT_EQ(WaitForExit(updater.process), std::optional<DWORD>(0));

  EXPECT_EQ(IniValue(windows_ini, "-", "ShortKey"), game);
  DeleteFileA(windows_ini.c_str());
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, KeyPath("-", local)));
  // install.env stays: no [delfiles_afterinst] list.
  EXPECT_TRUE(FileExists(JoinPath(game, "install.env")));
  Sleep(kNoViewerWatchMs);
  EXPECT_EQ(NewReadmeWindow(before), nullptr);
}

TEST_F(UpdateProcedure, CloseBoxOfEndDialogOpensNoReadmeAndStillSucceeds) {
  const std::string global = "ZolmirProcedure";
  const std::string local = "CloseBox";
  Track(global, local);
  ForgetGame(global, local);
  std::string game = MakeGameFolder("game");
  RegisterGame(global, local, game);
  std::string settings = "TITLEBAR\tClose\r\nREG_GLOBAL\t" + global + "\r\nREG_LOCAL\t" + local +
                         "\r\nINSTREADME\treadme\r\n";
  Payload payload = UpdatePayload(settings);
  payload.AddFile("readme.txt", kReadme);
  std::string exe = BuildUpdater(payload, "closebox");
  ASSERT_FALSE(exe.empty());

  Updater updater = StartWithMenu(exe, "Close アップデータ");
  ASSERT_NE(updater.menu, nullptr);
  Click(updater.menu, updater.SlotWithLabel(kUpdateLabel));
  ASSERT_TRUE(ExpectNotice(updater, "Close アップデータ", Confirmation(game), IDYES));
  HWND end = WaitForWindow(updater.process.pid(), "#32770", kEndTitle, kExitWaitMs);
  ASSERT_NE(end, nullptr);
  ASSERT_TRUE(SetCheckState(end, kEndReadmeBox, true));
  std::set<HWND> before = AllVisibleWindows();
  CloseWithBox(end);
  EXPECT_EQ(WaitForExit(updater.process), std::optional<DWORD>(0));
  Sleep(kNoViewerWatchMs);
  HWND viewer = NewReadmeWindow(before);
  EXPECT_EQ(viewer, nullptr);
  if (viewer) CloseReadmeViewer(viewer);
  EXPECT_EQ(ReadFileBytes(JoinPath(game, "readme.txt")), std::optional<std::string>(kReadme));
}

TEST_F(UpdateProcedure, ManualChoiceUpdatesTheTypedFolder) {
  const std::string global = "ZolmirProcedure";
  const std::string local = "Manual";
  Track(global, local);
  ForgetGame(global, local);
  std::string game = MakeGameFolder("typed");
  std::string settings = "TITLEBAR\tManual|Game\r\nREG_GLOBAL\t" + global + "\r\nREG_LOCAL\t" +
                         local + "\r\nKEYFILE\tgame.exe\r\n";
  Payload payload = UpdatePayload(settings);
  payload.AddFile("data\\stage1.dat", "new stage", kStageTime);
  std::string exe = BuildUpdater(payload, "manual");
  ASSERT_FALSE(exe.empty());

  const std::string title = "Manual Game アップデータ";
  Updater updater = StartWithMenu(exe, title);
  ASSERT_NE(updater.menu, nullptr);
  Click(updater.menu, updater.SlotWithLabel(kUpdateLabel));
  ASSERT_TRUE(ExpectNotice(updater, title, kNotInstalled, IDOK));
  ASSERT_TRUE(ExpectNotice(updater, title, ManualQuestion("Manual Game"), IDYES));
  HWND setup = WaitForWindow(updater.process.pid(), "#32770", kSetupTitle);
  ASSERT_NE(setup, nullptr);
  ASSERT_TRUE(SetControlText(setup, kSetupFolderEdit, game));
  Click(setup, IDOK);
  ASSERT_TRUE(ExpectNotice(updater, title, Confirmation(game), IDYES));
  HWND end = WaitForWindow(updater.process.pid(), "#32770", kEndTitle, kExitWaitMs);
  ASSERT_NE(end, nullptr);
  Click(end, IDOK);
  EXPECT_EQ(WaitForExit(updater.process), std::optional<DWORD>(0));
  EXPECT_EQ(ReadFileBytes(JoinPath(game, "data\\stage1.dat")), std::optional<std::string>("new stage"));
  EXPECT_EQ(FileWriteTime(JoinPath(game, "data\\stage1.dat")), std::optional<uint64_t>(kStageTime));
}

// Every way of calling off: its notices in order, then "アップデートを中止しました", nothing
// written, and the menu still open and working.
struct CallOffCase {
  const char* name;
  bool registered;
  const char* extra_settings;
  // Steps after the update click: a notice text (null: the SETUP dialog, cancelled) and the answer.
  std::vector<std::pair<const char*, int>> steps;
};

const char kGameName[] = "Stop";
const char kGameTitle[] = "Stop アップデータ";
const char kConfirmMarker[] = "<confirmation>";
const char kManualMarker[] = "<manual>";

std::vector<CallOffCase> CallOffCases() {
  return {
      {"ConfirmationDeclined", true, "", {{kConfirmMarker, IDNO}}},
      {"NotInstalledManualDeclined", false, "",
       {{kNotInstalled, IDOK}, {kManualMarker, IDNO}}},
      {"SetupCancelled", false, "", {{kNotInstalled, IDOK}, {kManualMarker, IDYES}, {nullptr, IDCANCEL}}},
      {"VersionGateRefused", true, "CHKREG\tVersion\r\nCHKREGVER\t1\r\nCHKREGVERHIGH\t1\r\n",
       {{"アップデート元のバージョンが不適合です", IDOK}}},
      {"KeyFileMissing", true, "KEYFILE\tmissing.exe\r\n",
       {{"インストール先が特定できませんでした\n本体プログラムをインストールしてから実行してください", IDOK},
        {kManualMarker, IDNO}}},
  };
}

class CallingOff : public UpdateProcedure, public ::testing::WithParamInterface<CallOffCase> {};

TEST_P(CallingOff, ShowsItsNoticesAndKeepsTheMenuWorking) {
  const CallOffCase& c = GetParam();
  const std::string global = "ZolmirProcedure";
  const std::string local = std::string("Stop") + c.name;
  Track(global, local);
  ForgetGame(global, local);
  std::string game = MakeGameFolder("game");
  if (c.registered) RegisterGame(global, local, game);
  std::string settings = std::string("TITLEBAR\t") + kGameName + "\r\nREG_GLOBAL\t" + global +
                         "\r\nREG_LOCAL\t" + local + "\r\n" + c.extra_settings +
                         "[reg]\r\n\"Written\"=\"yes\"\r\n-\r\n";
  Payload payload = UpdatePayload(settings);
  payload.AddFile("data\\stage1.dat", "new stage");
  std::string exe = BuildUpdater(payload, "stop");
  ASSERT_FALSE(exe.empty());

  Updater updater = StartWithMenu(exe, kGameTitle);
  ASSERT_NE(updater.menu, nullptr);
  int update_slot = updater.SlotWithLabel(kUpdateLabel);
  int exit_slot = updater.SlotWithLabel(kExitLabel);
  ASSERT_NE(update_slot, 0);
  ASSERT_NE(exit_slot, 0);

  // Twice: the second round shows the menu still works after calling off.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    Click(updater.menu, update_slot);
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const auto& step = c.steps[i];
      if (!step.first) {
        HWND setup = WaitForWindow(updater.process.pid(), "#32770", kSetupTitle);
        ASSERT_NE(setup, nullptr);
        Click(setup, step.second);
        ASSERT_TRUE(WaitForWindowGone(setup));
        continue;
      }
      std::string text = step.first;
      if (text == kConfirmMarker) text = Confirmation(game);
      if (text == kManualMarker) text = ManualQuestion(kGameName);
      if (i == 0) {
        // While the update runs, the menu ignores its buttons and its close box.
        ASSERT_TRUE(WaitForMessageBox(updater.process.pid(), kGameTitle).has_value());
        Click(updater.menu, exit_slot);
        PostClose(updater.menu);
      }
      ASSERT_TRUE(ExpectNotice(updater, kGameTitle, text, step.second)) << text;
    }
    ASSERT_TRUE(ExpectNotice(updater, kGameTitle, kCalledOff, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !FindMessageBox(updater.process.pid(), nullptr); },
                          "no notice after calling off"));
    EXPECT_TRUE(updater.process.Running());
    EXPECT_TRUE(IsWindowVisible(updater.menu));
  }

  EXPECT_FALSE(FileExists(JoinPath(game, "install.env")));
  EXPECT_EQ(ReadFileBytes(JoinPath(game, "data\\stage1.dat")), std::optional<std::string>("old stage"));
  EXPECT_EQ(ReadRegType(HKEY_CURRENT_USER, KeyPath(global, local), "Written"), std::nullopt);
  Click(updater.menu, exit_slot);
  EXPECT_EQ(WaitForExit(updater.process), std::optional<DWORD>(0));
}

INSTANTIATE_TEST_SUITE_P(Paths, CallingOff, ::testing::ValuesIn(CallOffCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
