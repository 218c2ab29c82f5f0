// Entry point of Updata.exe: start-up order, the single-instance guard and the run of the menu.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>

#include "payload/payload.h"
#include "settings/settings.h"
#include "shell/cp932.h"
#include "shell/lifetime.h"
#include "shell/main_dialog.h"
#include "shell/services.h"

namespace {

constexpr int kFatalExitCode = -1;
constexpr int kQuietExitCode = 0;
constexpr INT_PTR kDialogFailed = -1;

void UninitializeCom() { CoUninitialize(); }

// Holds the single-instance mutex for the rest of the process; a second instance ends here.
void GuardSingleInstance() {
  HANDLE mutex = CreateMutexA(nullptr, TRUE, UpdaterTitle());
  if (!mutex) {
    RemoveWorkFolder();
    exit(kQuietExitCode);
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    char text[kNoticeSize];
    FormatText(text, sizeof text, "[ %s ] は既に起動中です", UpdaterTitle());
    MessageBoxA(nullptr, text, TITLEBAR(), MB_ICONERROR);
    RemoveWorkFolder();
    exit(kQuietExitCode);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CoInitialize(nullptr);
  atexit(UninitializeCom);
  CreateWorkFolder();
  ExtractPayload(GetWorkFolder(), ExtractMode::ConfigOnly);
  if (!FileExists("install.env")) {
    ErrorBox("起動に必要なファイルが不足しています。\nインストールの異常終了、起動するフォルダ異常、等を確認してください。");
    RemoveWorkFolder();
    exit(kFatalExitCode);
  }
  LoadSettings("install.env");
  LoadDirectives("install.env");
  GuardSingleInstance();
  for (;;) {
    INT_PTR result = DialogBoxParamA(instance, "MAINDIALOG", nullptr, MainDialogProc, 0);
    if (result == 0) break;
    // A window that cannot be made at all would be tried again for ever.
    if (result == kDialogFailed) {
      RemoveWorkFolder();
      exit(kFatalExitCode);
    }
  }
  return 0;
}
