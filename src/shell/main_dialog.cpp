// The start-up menu window MAINDIALOG: picture, menu slots and their actions.
#include "shell/main_dialog.h"

#include <sys/stat.h>

#include "image/rct_image.h"
#include "image/surface.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/cp932.h"
#include "shell/lifetime.h"
#include "shell/services.h"
#include "shell/window_services.h"
#include "update/update.h"

namespace {

constexpr int kSlotCount = 9;
// Control ids in slot order: slot 0 is the bottom button of the column.
constexpr WPARAM kSlotIds[kSlotCount] = {IDC_MENU_SLOT0, IDC_MENU_SLOT1, IDC_MENU_SLOT2,
                                         IDC_MENU_SLOT3, IDC_MENU_SLOT4, IDC_MENU_SLOT5,
                                         IDC_MENU_SLOT6, IDC_MENU_SLOT7, IDC_MENU_SLOT8};

enum SlotAction : int { kActionNone = 0, kActionUpdate = 1, kActionDirectX = 2, kActionExit = 3, kActionReadme = 5 };

constexpr int kDirectoryModeBit = 0x4000;

int g_actions[kSlotCount];
int g_busy;
Surface* g_picture;
int g_origin_x;
int g_origin_y;
char g_text[kValueSize];

bool IsDirectory(const char* name) {
  struct stat status;
  return stat(name, &status) == 0 && (status.st_mode & kDirectoryModeBit) != 0;
}

void AssignSlot(HWND window, int* next, const char* label, int action) {
  SetDlgItemTextA(window, static_cast<int>(kSlotIds[*next]), label);
  g_actions[*next] = action;
  ++*next;
}

void AssignSlots(HWND window) {
  int next = 0;
  AssignSlot(window, &next, "終了", kActionExit);
  if (IsDirectory("DirectX")) AssignSlot(window, &next, "DirectXインストール", kActionDirectX);
  GetSettingString("INSTREADME", g_text, sizeof g_text, "-");
  if (g_text[0] != '-') AssignSlot(window, &next, g_text, kActionReadme);
  AssignSlot(window, &next, "アップデート", kActionUpdate);
  for (int slot = next; slot < kSlotCount; ++slot) {
    DestroyWindow(GetDlgItem(window, static_cast<int>(kSlotIds[slot])));
    g_actions[slot] = kActionNone;
  }
}

void CloseMenu(HWND window) {
  FreeSurface(g_picture);
  g_picture = nullptr;
  RemoveWorkFolder();
  EndDialog(window, 0);
}

INT_PTR OnInitDialog(HWND window) {
  SetMainWindow(window);
  CenterWindow(window);
  g_busy = 0;
  SetWindowTextA(window, UpdaterTitle());
  AssignSlots(window);
  g_picture = LoadRctImage("insttscr.rct");
  // Without a picture there is no origin and nothing is painted; the menu still works.
  if (g_picture) {
    RECT client;
    GetClientRect(window, &client);
    int client_height = client.bottom - client.top;
    g_origin_x = (client_height - g_picture->width) / 2;
    g_origin_y = (client_height - g_picture->height) / 2;
  }
  return FALSE;
}

INT_PTR OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (g_picture) {
    StretchDIBits(dc, g_origin_x, g_origin_y, g_picture->width, g_picture->height, 0, 0, g_picture->width,
                  g_picture->height, g_picture->pixels, g_picture->header, DIB_RGB_COLORS, SRCCOPY);
  }
  EndPaint(window, &paint);
  return FALSE;
}

void RunSlot(HWND window, int action) {
  switch (action) {
    case kActionUpdate:
      if (RunUpdate() == 0) CloseMenu(window);
      break;
    case kActionDirectX:
      RunProgram("DirectX\\dxsetup.exe");
      break;
    case kActionExit:
      CloseMenu(window);
      break;
    case kActionReadme:
      GetSettingString("INSTREADMEFL", g_text, sizeof g_text, "readme.txt");
      OpenDocument(g_text);
      break;
    default:
      break;
  }
}

INT_PTR OnCommand(HWND window, WPARAM wparam) {
  // Actions pump messages and show dialogs; commands that arrive meanwhile are ignored.
  if (g_busy) return FALSE;
  g_busy = 1;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (wparam == kSlotIds[slot]) {
      RunSlot(window, g_actions[slot]);
      break;
    }
  }
  g_busy = 0;
  return FALSE;
}

INT_PTR OnClose(HWND window) {
  if (!g_busy) CloseMenu(window);
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_PAINT:
      return OnPaint(window);
    case WM_COMMAND:
      return OnCommand(window, wparam);
    case WM_CLOSE:
      return OnClose(window);
    default:
      return FALSE;
  }
}
