// The manual choice of the install folder: proposal, SETUP dialog, folder browser and checks.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "resource.h"
#include "settings/settings.h"
#include "shell/cp932.h"
#include "shell/services.h"
#include "shell/window_services.h"
#include "update/install_buffer.h"
#include "update/install_folder.h"
#include "update/install_path.h"
#include "update/registry.h"

INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void BrowseForInstallFolder(HWND owner);

namespace {

constexpr INT_PTR kSetupNext = 1;
constexpr INT_PTR kSetupCancel = 0;

void ReadWindowsDirectory(char* buffer, size_t size) {
  UINT length = GetWindowsDirectoryA(buffer, static_cast<UINT>(size));
  if (length == 0 || length >= size) buffer[0] = '\0';
}

InstallPathContext CurrentContext(const char* windows_directory) {
  InstallPathContext context;
  context.windows_directory = windows_directory;
  context.instfol = INSTFOL();
  context.instto = INSTTO();
  context.instmakefol = INSTMAKEFOL();
  return context;
}

// The proposal in the install folder buffer: the default path, or the registered folder when
// the game is registered as installed. false after the notice when it would not fit.
bool ProposeFolder() {
  char windows[kFolderWorkSize];
  ReadWindowsDirectory(windows, kInstallFolderSize);
  char* folder = InstallFolderBuffer();
  if (!BuildProposedInstallPath(folder, kInstallFolderSize, CurrentContext(windows))) {
    ErrorBox("%s", kPathTooLongNotice);
    return false;
  }
  if (ReadMachineRegInt(REG_GLOBAL(), REG_LOCAL(), "IsInst", 0) != 0) {
    char fallback[kFolderWorkSize];
    CopyText(fallback, sizeof fallback, folder);
    char registered[kFolderWorkSize];
    ReadMachineRegString(REG_GLOBAL(), REG_LOCAL(), "InstTo", fallback, registered, sizeof registered);
    if (!CopyText(folder, kInstallFolderSize, registered)) {
      ErrorBox("%s", kPathTooLongNotice);
      return false;
    }
  }
  return true;
}

bool RunSetupDialog() {
  HWND owner = GetMainWindow();
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  if (!instance) instance = GetModuleHandleA(nullptr);
  // Only Next counts: a dialog that could not even be created must not pass as a choice.
  return DialogBoxParamA(instance, "SETUP", owner, SetupDialogProc, 0) == kSetupNext;
}

// Steps that run while the saved current directory still has to be restored by the caller:
// the proposal, the dialog and the normalisation of what the user typed.
bool PickFolder() {
  if (!ProposeFolder()) return false;
  if (!RunSetupDialog()) return false;
  char windows[kFolderWorkSize];
  ReadWindowsDirectory(windows, kInstallFolderSize);
  switch (NormaliseInstallPath(InstallFolderBuffer(), kInstallFolderSize, CurrentContext(windows))) {
    case InstallPathResult::Ok:
      return true;
    case InstallPathResult::NetworkPath:
      ErrorBox("ネットワークドライブには対応していません。\nローカルドライブを選択して下さい。");
      return false;
    case InstallPathResult::DriveRoot:
      ErrorBoxRetry("ルートには適応できません");
      return false;
    case InstallPathResult::TooLong:
      ErrorBox("%s", kPathTooLongNotice);
      return false;
  }
  return false;
}

bool HasKeyFile(const char* folder) {
  const char* keyfile = KEYFILE();
  if (!keyfile) return true;
  char keypath[kFolderWorkSize];
  FormatText(keypath, sizeof keypath, "%s\\%s", folder, keyfile);
  if (strlen(keypath) >= kPathSize) {
    ErrorBox("%s", kPathTooLongNotice);
    return false;
  }
  if (FileExists(keypath)) return true;
  ErrorBox("指定されたフォルダには [ %s ] 本体は発見できませんでした", TITLEBAR());
  return false;
}

void ShowInstallFolder(HWND window) {
  SetDlgItemTextA(window, IDC_SETUP_FOLDER, InstallFolderBuffer());
}

INT_PTR OnInitDialog(HWND window) {
  CenterWindow(window);
  ShowInstallFolder(window);
  return TRUE;
}

INT_PTR OnCommand(HWND window, WPARAM command) {
  switch (command) {
    case IDOK:
      GetDlgItemTextA(window, IDC_SETUP_FOLDER, InstallFolderBuffer(), kInstallFolderSize);
      EndDialog(window, kSetupNext);
      return TRUE;
    case IDCANCEL:
      EndDialog(window, kSetupCancel);
      return TRUE;
    case IDC_SETUP_BROWSE:
      // The edit's text is not read first: a cancelled browse shows the buffer again.
      BrowseForInstallFolder(window);
      ShowInstallFolder(window);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_COMMAND:
      return OnCommand(window, wparam);
    default:
      return FALSE;
  }
}

void BrowseForInstallFolder(HWND owner) {
  char display_name[kInstallFolderSize];
  BROWSEINFOA info;
  memset(&info, 0, sizeof info);
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = display_name;
  info.lpszTitle = "フォルダを作成する場所を選択してください";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  LPITEMIDLIST list = SHBrowseForFolderA(&info);
  if (!list) return;
  char path[MAX_PATH];
  if (SHGetPathFromIDListA(list, path)) {
    path[sizeof path - 1] = '\0';
    CopyText(InstallFolderBuffer(), kInstallFolderSize, path);
  }
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator))) {
    allocator->Free(list);
    allocator->Release();
  }
}

int ChooseInstallFolder(char* destination) {
  char saved[kFolderWorkSize];
  DWORD saved_length = GetCurrentDirectoryA(sizeof saved, saved);
  bool picked = PickFolder();
  if (saved_length > 0 && saved_length < sizeof saved) SetCurrentDirectoryA(saved);
  if (!picked) return -1;
  const char* folder = InstallFolderBuffer();
  if (!HasKeyFile(folder)) return -1;
  if (!PassesVersionGate()) return -1;
  if (!AskBox("[%s]をアップデートします", folder)) return -1;
  CopyText(destination, kInstallFolderSize, folder);
  return 0;
}
