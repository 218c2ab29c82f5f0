// The end dialog of an update (ENDINSTALL / ENDINSTALL_SHORT) and the readme choice it leaves.
#include "update/end_dialog.h"

#include "resource.h"
#include "settings/settings.h"
#include "shell/window_services.h"
#include "update/directives.h"

namespace {

char g_readme_caption[kDirectiveTextSize];
int g_readme_chosen = 0;

INT_PTR OnInitDialog(HWND dialog) {
  // ENDINSTALL_SHORT has no check box; both calls then do nothing.
  SendDlgItemMessageA(dialog, IDC_END_README, BM_SETCHECK, BST_UNCHECKED, 0);
  SetDlgItemTextA(dialog, IDC_END_README, g_readme_caption);
  CenterWindow(dialog);
  return TRUE;
}

INT_PTR OnCommand(HWND dialog, WPARAM wparam) {
  // Only a plain click or key (notification code 0) counts: the whole wParam is compared.
  switch (wparam) {
    case IDOK:
      g_readme_chosen = IsDlgButtonChecked(dialog, IDC_END_README) == BST_CHECKED;
      EndDialog(dialog, IDOK);
      return TRUE;
    case IDCANCEL:
      g_readme_chosen = 0;
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK EndInstallDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      return OnCommand(dialog, wparam);
    default:
      return FALSE;
  }
}

void ShowEndInstallDialog() {
  GetSettingString("INSTREADME", g_readme_caption, sizeof(g_readme_caption), "-");
  HWND owner = GetMainWindow();
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  if (!instance) instance = GetModuleHandleA(nullptr);
  // A dialog that cannot be shown leaves no readme choice behind.
  g_readme_chosen = 0;
  if (g_readme_caption[0] == '-') {
    DialogBoxParamA(instance, "ENDINSTALL_SHORT", owner, EndInstallDialogProc, 0);
    g_readme_chosen = 0;
  } else {
    DialogBoxParamA(instance, "ENDINSTALL", owner, EndInstallDialogProc, 0);
  }
}

int ReadmeChosen() { return g_readme_chosen; }
