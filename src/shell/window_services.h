// Window services of the updater: the main window record, centring on the screen.
#pragma once
#include <windows.h>

void SetMainWindow(HWND window);
HWND GetMainWindow();
// The main window's title, read afresh into a 260-byte buffer; empty before a main window exists.
const char* GetMainWindowTitle();
// Moves a top-level window to the centre of the whole screen without resizing it.
void CenterWindow(HWND window);
