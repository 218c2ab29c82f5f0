// The demo's driver: registers the demo game, then drives its updater through menu,
// confirmation, copy progress, end dialog and readme, saving a screenshot of each screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "driver.h"

using namespace e2e;

namespace {

constexpr char kGlobal[] = "ZolmirDemo";
constexpr char kLocal[] = "Demo";
constexpr char kTitle[] = "ゾルミル デモ アップデータ";
constexpr char kEndTitle[] = "インストール終了";
constexpr char kProgressTitle[] = "ファイルのコピー中...";
constexpr char kUpdateLabel[] = "アップデート";
constexpr int kEndReadmeBox = 1007;
constexpr unsigned kViewerWaitMs = 15000;
constexpr unsigned kScreenSettleMs = 400;

std::string GameKey() { return std::string("Software\\") + kGlobal + "\\" + kLocal; }

void Shot(const char* name) {
  Sleep(kScreenSettleMs);
  std::string path = SaveScreenshot(name);
  printf("screenshot: %s\n", path.empty() ? "(failed)" : path.c_str());
}

// The game as its own installer would leave it: IsInst, InstTo and version 1; no trace of an
// earlier demo run; the .txt association and window frames for the screenshots.
int Register(const std::string& folder) {
  DeleteRegTree(HKEY_LOCAL_MACHINE, std::string("Software\\") + kGlobal);
  DeleteRegTree(HKEY_CURRENT_USER, std::string("Software\\") + kGlobal);
  bool ok = SetRegString(HKEY_LOCAL_MACHINE, GameKey(), "IsInst", "1") &&
            SetRegString(HKEY_LOCAL_MACHINE, GameKey(), "InstTo", folder) &&
            SetRegString(HKEY_CURRENT_USER, GameKey(), "Version", "1");
  EnsureTextAssociation();
  SetRegString(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", "Decorated", "N");
  printf("registered %s: IsInst=1 InstTo=%s, version 1\n", GameKey().c_str(), folder.c_str());
  return ok ? 0 : 1;
}

void PrintValue(HKEY root, const char* root_name, const std::string& key, const char* name) {
  std::optional<std::string> value = ReadRegString(root, key, name);
  printf("  %s\\%s  %s = %s\n", root_name, key.c_str(), name[0] ? name : "(default)",
         value ? ("\"" + *value + "\"").c_str() : "(none)");
}

int Report() {
  printf("registry after the update:\n");
  PrintValue(HKEY_LOCAL_MACHINE, "HKLM", GameKey(), "IsInst");
  PrintValue(HKEY_LOCAL_MACHINE, "HKLM", GameKey(), "InstTo");
  for (const char* name : {"Version", "InstallPath", "SavePath", "CdPath", ""}) {
    PrintValue(HKEY_CURRENT_USER, "HKCU", GameKey(), name);
  }
  return 0;
}

int SlotWithLabel(HWND menu, const char* label) {
  for (int id = 1000; id <= 1008; ++id) {
    if (ControlExists(menu, id) && ControlText(menu, id) == label) return id;
  }
  return 0;
}

int Fail(const char* what) {
  fprintf(stderr, "demo: %s\n", what);
  return 1;
}

int Drive(const std::string& exe) {
  Process updater = StartUpdater(exe);
  if (!updater.valid()) return Fail("the updater did not start");
  const DWORD pid = updater.pid();
  HWND menu = WaitForWindow(pid, "#32770", kTitle);
  if (!menu) return Fail("no main menu");
  printf("main menu: \"%s\"\n", WindowText(menu).c_str());
  Shot("01_menu");
  int update_slot = SlotWithLabel(menu, kUpdateLabel);
  if (!update_slot) return Fail("no update button");
  Click(menu, update_slot);

  std::optional<Notice> confirm = WaitForMessageBox(pid, kTitle);
  if (!confirm) return Fail("no confirmation");
  printf("question: %s\n", confirm->text.c_str());
  Shot("02_confirm");
  Click(confirm->window, IDYES);

  // The copy may be over before a look finds its window; the end dialog follows in any case.
  HWND progress = nullptr;
  HWND end = nullptr;
  WaitUntil(
      [&] {
        if (!progress && (progress = FindProcessWindow(pid, "#32770", kProgressTitle))) {
          Shot("03_progress");
        }
        end = FindProcessWindow(pid, "#32770", kEndTitle);
        return end != nullptr;
      },
      "the end dialog", kExitWaitMs);
  if (!end) return Fail("no end dialog");
  if (!progress) printf("copy progress: over before it could be photographed\n");
  SetCheckState(end, kEndReadmeBox, true);
  printf("end dialog: \"%s\", readme box \"%s\" ticked\n", WindowText(end).c_str(),
         ControlText(end, kEndReadmeBox).c_str());
  Shot("04_end");
  std::set<HWND> before = AllVisibleWindows();
  Click(end, IDOK);

  HWND viewer = nullptr;
  WaitUntil(
      [&] { return (viewer = NewWindowTitled(before, "readme")) != nullptr; },
      "the readme viewer", kViewerWaitMs);
  std::optional<DWORD> code = WaitForExit(updater);
  if (viewer) {
    printf("readme opened: \"%s\"\n", WindowText(viewer).c_str());
    Shot("05_readme");
    PostClose(viewer);
    WaitForWindowGone(viewer);
  }
  if (!code) return Fail("the updater did not end");
  printf("updater exit code: %ld\n", static_cast<long>(*code));
  printf("work folders left: %u\n", static_cast<unsigned>(WorkFolders().size()));
  return *code == 0 && viewer ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "register" && argc == 3) return Register(argv[2]);
  if (command == "report") return Report();
  if (command == "drive" && argc == 3) return Drive(argv[2]);
  fprintf(stderr, "usage: procedure_demo_driver register FOLDER | drive UPDATER.EXE | report\n");
  return 2;
}
