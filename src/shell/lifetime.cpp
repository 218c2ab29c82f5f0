// Lifetime of one run: the start folder and the temporary work folder.
#include "shell/lifetime.h"

#include <windows.h>
#include <mmsystem.h>

#include "shell/cp932.h"
#include "shell/services.h"
#include "shell/work_folder_name.h"

namespace {

// The current directory limit that start-up uses; one byte less than the buffer.
constexpr DWORD kDirectoryLimit = 259;

char g_start_folder[kPathSize];
// The temp path, a backslash and the folder name.
char g_work_folder[kPathSize + 1 + kWorkFolderNameSize];

}  // namespace

void CreateWorkFolder() {
  if (GetCurrentDirectoryA(kDirectoryLimit, g_start_folder) > kDirectoryLimit) g_start_folder[0] = '\0';

  char name[kWorkFolderNameSize];
  FormatWorkFolderName(name, sizeof name, timeGetTime());

  DWORD length = GetTempPathA(kDirectoryLimit, g_work_folder);
  if (length == 0 || length > kDirectoryLimit) {
    // No temp path: leave the work folder empty, so that nothing is created and nothing deleted.
    g_work_folder[0] = '\0';
    return;
  }
  if (!AppendBackslashBounded(g_work_folder, sizeof g_work_folder) ||
      !AppendText(g_work_folder, sizeof g_work_folder, name)) {
    g_work_folder[0] = '\0';
    return;
  }
  CreateDirectoryA(g_work_folder, nullptr);
  SetCurrentDirectoryA(g_work_folder);
}

void RemoveWorkFolder() {
  SetCurrentDirectoryA(g_start_folder);
  if (g_work_folder[0] == '\0') return;
  DeleteMatchingFiles(g_work_folder, "*.*");
  RemoveDirectoryA(g_work_folder);
}

const char* GetWorkFolder() { return g_work_folder; }
