// The end dialog of an update and the readme choice it leaves for the procedure.
#pragma once
#include <windows.h>

// Runs ENDINSTALL, or ENDINSTALL_SHORT when the INSTREADME setting begins with "-", and sets
// the readme choice.
void ShowEndInstallDialog();
// The dialog procedure of both end dialog templates.
INT_PTR CALLBACK EndInstallDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// Non-zero when the user ticked the readme box and pressed OK in the last end dialog.
int ReadmeChosen();
