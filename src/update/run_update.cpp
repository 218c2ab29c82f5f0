// The update procedure: folder, extraction, INI and registry directives, deletions, end dialog.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "payload/payload.h"
#include "settings/settings.h"
#include "shell/cp932.h"
#include "shell/services.h"
#include "update/directives.h"
#include "update/end_dialog.h"
#include "update/install_folder.h"
#include "update/update.h"

namespace {

constexpr char kFirstDriveLetter = 'A';
constexpr char kLastDriveLetter = 'Z';
constexpr char kNoCdromRoot[] = "E:\\";
constexpr size_t kDriveRootSize = 4;

char g_cdrom_root[kDriveRootSize];

// 0 when the install folder is settled in `folder`, -1 when the update is called off.
int SettleInstallFolder(char* folder) {
  int found = FindInstallFolder(folder);
  if (found == 0) return 0;
  if (found == -1 &&
      AskBox("[ %s ] 本体のインストール先を特定できませんでした。\nインストール先を手動で指定しますか？",
             TITLEBAR()) &&
      ChooseInstallFolder(folder) == 0) {
    return 0;
  }
  return -1;
}

void WriteIniDirectives() {
  const char* file = INI_FILE();
  if (file[0] == '\0') return;
  char key[kDirectiveTextSize];
  char value[kDirectiveTextSize];
  for (const DirectiveNode* node = FirstDirective(DirectiveSection::Ini); node; node = node->next) {
    if (SplitIniLine(node->text, key, value) == 0) {
      WritePrivateProfileStringA(INI_SECTION(), key, value, file);
    }
  }
}

void WriteRegDirectives() {
  if (REG_GLOBAL()[0] == '-') return;
  char name[kDirectiveTextSize];
  char data[kDirectiveTextSize];
  for (const DirectiveNode* node = FirstDirective(DirectiveSection::Reg); node; node = node->next) {
    if (SplitRegLine(node->text, name, data) == 0) {
      WriteUserRegString(REG_GLOBAL(), REG_LOCAL(), name, data);
    }
  }
}

// True for a first path component that would name the install folder itself or its parent.
bool NamesFolderItself(const char* component) {
  return component[0] == '\0' || (component[0] == '.' && component[1] == '\0') ||
         (component[0] == '.' && component[1] == '.' && component[2] == '\0');
}

}  // namespace

const char* FindCdromDrive() {
  for (char letter = kFirstDriveLetter; letter <= kLastDriveLetter; ++letter) {
    FormatText(g_cdrom_root, sizeof(g_cdrom_root), "%c:\\", letter);
    if (GetDriveTypeA(g_cdrom_root) == DRIVE_CDROM) return g_cdrom_root;
  }
  return kNoCdromRoot;
}

void DeleteAfterInstall(const char* folder) {
  for (const DirectiveNode* node = FirstDirective(DirectiveSection::DelfilesAfterinst); node;
       node = node->next) {
    DeleteMatchingFiles(folder, node->text);
    const char* backslash = FindCharMb(node->text, '\\');
    if (!backslash) continue;
    char component[kPathSize];
    size_t length = static_cast<size_t>(backslash - node->text);
    if (length >= sizeof(component)) continue;
    memcpy(component, node->text, length);
    component[length] = '\0';
    // Only a subfolder may go: an empty first component or a dot would name the install
    // folder itself (or its parent) and remove it once emptied.
    if (NamesFolderItself(component)) continue;
    char path[kPathSize];
    if (!CopyText(path, sizeof(path), folder) || !AppendBackslashBounded(path, sizeof(path)) ||
        !AppendText(path, sizeof(path), component)) {
      continue;
    }
    RemoveDirectoryA(path);
  }
}

int RunUpdate() {
  char folder[kPathSize] = "";
  if (SettleInstallFolder(folder) != 0) {
    ErrorBox("アップデートを中止しました");
    return -1;
  }
  ExtractPayload(folder, ExtractMode::Full);
  SetInstallFolderRecord(folder);
  SetCdromRootLookup(FindCdromDrive);
  WriteIniDirectives();
  WriteRegDirectives();
  DeleteAfterInstall(folder);
  SetInstallFolderRecord(nullptr);
  ShowEndInstallDialog();
  SetCurrentDirectoryA(folder);
  if (ReadmeChosen()) {
    char readme[kDirectiveTextSize];
    GetSettingString("INSTREADMEFL", readme, sizeof(readme), "readme.txt");
    OpenDocument(readme);
  }
  return 0;
}
