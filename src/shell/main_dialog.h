// The start-up menu window, MAINDIALOG.
#pragma once
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
