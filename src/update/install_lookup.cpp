// Installation lookup through the registry, the version gate and the shared install folder buffer.
#include <windows.h>

#include <cstring>

#include "settings/settings.h"
#include "shell/cp932.h"
#include "shell/services.h"
#include "update/install_buffer.h"
#include "update/install_folder.h"
#include "update/registry.h"

namespace {

char g_install_folder[kInstallFolderSize];

// What became of the registered folder before the user is asked about it.
enum class Lookup { Usable, NotInstalled, Unusable, TooLong };

// Steps of the lookup that may change the current directory; the caller restores it.
Lookup CheckRegisteredFolder() {
  if (ReadMachineRegInt(REG_GLOBAL(), REG_LOCAL(), "IsInst", 0) == 0) return Lookup::NotInstalled;
  // Read into room enough for any 512-byte value, so that a folder that would not fit the
  // buffer is refused instead of being cut into some other folder's path.
  char registered[kFolderWorkSize];
  ReadMachineRegString(REG_GLOBAL(), REG_LOCAL(), "InstTo", "", registered, sizeof registered);
  if (strlen(registered) >= kInstallFolderSize) return Lookup::TooLong;
  CopyText(g_install_folder, sizeof g_install_folder, registered);
  if (g_install_folder[0] == '\0') return Lookup::Unusable;
  const char* keyfile = KEYFILE();
  if (keyfile) {
    char keypath[kFolderWorkSize];
    FormatText(keypath, sizeof keypath, "%s\\%s", g_install_folder, keyfile);
    if (strlen(keypath) >= kPathSize) return Lookup::TooLong;
    if (!FileExists(keypath)) return Lookup::Unusable;
  }
  if (!SetCurrentDirectoryA(g_install_folder)) return Lookup::Unusable;
  return Lookup::Usable;
}

}  // namespace

const char kPathTooLongNotice[] = "インストール先のパスが長すぎます\n短いパスのフォルダを指定してください";

char* InstallFolderBuffer() { return g_install_folder; }

bool PassesVersionGate() {
  const char* value_name = CHKREG();
  if (!value_name) return true;
  int version = ReadUserRegInt(REG_GLOBAL(), REG_LOCAL(), value_name, 0);
  if (version < CHKREGVER()) {
    ErrorBox("アップデート元のバージョンが不適合です");
    return false;
  }
  if (version > CHKREGVERHIGH()) {
    ErrorBox("既にアップデート適応済みです");
    return false;
  }
  return true;
}

int FindInstallFolder(char* destination) {
  char saved[kFolderWorkSize];
  DWORD saved_length = GetCurrentDirectoryA(sizeof saved, saved);
  bool have_saved = saved_length > 0 && saved_length < sizeof saved;
  if (!PassesVersionGate()) {
    if (have_saved) SetCurrentDirectoryA(saved);
    return -2;
  }
  Lookup lookup = CheckRegisteredFolder();
  if (have_saved) SetCurrentDirectoryA(saved);
  switch (lookup) {
    case Lookup::NotInstalled:
      ErrorBox("本体がインストールされていません");
      return -1;
    case Lookup::Unusable:
      ErrorBox("インストール先が特定できませんでした\n本体プログラムをインストールしてから実行してください");
      return -1;
    case Lookup::TooLong:
      ErrorBox("%s", kPathTooLongNotice);
      return -1;
    case Lookup::Usable:
      break;
  }
  if (!AskBox("[%s]をアップデートします", g_install_folder)) return -2;
  CopyText(destination, kInstallFolderSize, g_install_folder);
  return 0;
}
