// The copy progress window COPYINGDELUX shown during a full extraction.
#include "payload/copy_progress.h"

#include <commctrl.h>

#include "resource.h"
#include "shell/services.h"
#include "shell/window_services.h"

namespace {

// Both bars count in blocks of 128 KiB.
constexpr uint32_t kProgressUnit = 0x20000;
constexpr LPARAM kInitialRange = MAKELPARAM(0, 1);
// Replay without end, from the first frame to the clip's end.
constexpr WPARAM kPlayForever = static_cast<WPARAM>(-1);
constexpr LPARAM kWholeClip = static_cast<LPARAM>(0xFFFF0000u);

HWND g_window = nullptr;
HWND g_animation = nullptr;

INT_PTR OnInitDialog(HWND dialog) {
  CenterWindow(dialog);
  SendDlgItemMessageA(dialog, IDC_COPY_FILE_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  SendDlgItemMessageA(dialog, IDC_COPY_FILE_BAR, PBM_SETRANGE, 0, kInitialRange);
  SendDlgItemMessageA(dialog, IDC_COPY_FILE_BAR, PBM_SETPOS, 0, 0);
  SendDlgItemMessageA(dialog, IDC_COPY_TOTAL_BAR, PBM_SETRANGE, 0, kInitialRange);
  SendDlgItemMessageA(dialog, IDC_COPY_TOTAL_BAR, PBM_SETPOS, 0, 0);
  g_animation = GetDlgItem(dialog, IDC_COPY_ANIMATION);
  SendMessageA(g_animation, ACM_OPENA, 0, reinterpret_cast<LPARAM>("AVI_FILECOPY"));
  SendMessageA(g_animation, ACM_PLAY, kPlayForever, kWholeClip);
  ShowWindow(g_animation, SW_SHOW);
  return TRUE;
}

INT_PTR OnCommand(WPARAM wparam) {
  // Cancel only freezes the animation: the copy itself always runs to its end.
  if (wparam == IDCANCEL) SendMessageA(g_animation, ACM_STOP, 0, 0);
  return FALSE;
}

}  // namespace

HWND OpenCopyProgress(uint32_t payload_size) {
  CloseCopyProgress();
  // The bar and animation classes live in the common controls, which must be loaded first.
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
  InitCommonControlsEx(&classes);
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(GetMainWindow(), GWLP_HINSTANCE));
  if (!instance) instance = GetModuleHandleA(nullptr);
  g_window = CreateDialogParamA(instance, "COPYINGDELUX", GetMainWindow(), CopyProgressProc, 0);
  if (!g_window) return nullptr;
  PumpMessages();
  uint32_t range = payload_size / kProgressUnit;
  if (range < 1) range = 1;
  SendDlgItemMessageA(g_window, IDC_COPY_TOTAL_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, range));
  SendDlgItemMessageA(g_window, IDC_COPY_TOTAL_BAR, PBM_SETPOS, 0, 0);
  PumpMessages();
  return g_window;
}

void CloseCopyProgress() {
  if (!g_window) return;
  DestroyWindow(g_window);
  g_window = nullptr;
  PumpMessages();
}

INT_PTR CALLBACK CopyProgressProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      return OnCommand(wparam);
    default:
      return FALSE;
  }
}
