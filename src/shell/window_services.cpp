// The main window record and centring of top-level windows on the screen.
#include "shell/window_services.h"

#include "shell/cp932.h"
#include "shell/geometry.h"

namespace {

HWND g_main_window = nullptr;
char g_title[kPathSize];

}  // namespace

void SetMainWindow(HWND window) { g_main_window = window; }

HWND GetMainWindow() { return g_main_window; }

const char* GetMainWindowTitle() {
  g_title[0] = '\0';
  if (g_main_window) GetWindowTextA(g_main_window, g_title, sizeof g_title);
  g_title[sizeof g_title - 1] = '\0';
  return g_title;
}

void CenterWindow(HWND window) {
  RECT frame;
  GetWindowRect(window, &frame);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  HDC screen = GetDC(window);
  int screen_width = GetDeviceCaps(screen, HORZRES);
  int screen_height = GetDeviceCaps(screen, VERTRES);
  ReleaseDC(window, screen);
  SetWindowPos(window, nullptr, CenteredOrigin(screen_width, width), CenteredOrigin(screen_height, height), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}
