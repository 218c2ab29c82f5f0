// The test bed's self-test program: a window, a notice, a clipboard text, registry writes, an exit code.
//
// Command line: empty for the window; "exit N" ends at once with N; "hang" shows the window
// but ignores the close box, so the driver's bounded waits can be seen to fail.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kButtonId = 1001;
constexpr int kProgressId = 1002;
constexpr int kEditId = 1003;
constexpr COLORREF kPaintColour = RGB(0x33, 0x66, 0x99);
constexpr int kPaintedSize = 64;
constexpr int kProgressHigh = 104;
constexpr int kProgressPos = 42;
constexpr char kClassName[] = "BedSelftest";
constexpr char kRegistryKey[] = "Software\\ZolmirBedSelftest";

bool g_ignore_close = false;

void OnPress(HWND window) {
  char text[256] = "";
  GetDlgItemTextA(window, kEditId, text, sizeof text);

  const char clip[] = "クリップボードの文字\r\n二行目";
  if (OpenClipboard(window)) {
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof clip);
    if (memory) {
      std::memcpy(GlobalLock(memory), clip, sizeof clip);
      GlobalUnlock(memory);
      if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
  }

  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
    DWORD number = 1234;
    RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(key);
  }

  if (FILE* out = std::fopen("written.txt", "wb")) {
    std::fputs(text, out);
    std::fclose(out);
  }

  int answer = MessageBoxA(window, "日本語の本文です\n二行目", "", MB_RETRYCANCEL | MB_ICONHAND);
  if (answer == IDRETRY) ExitProcess(3);
  std::exit(-1);
}

void OnCreate(HWND window) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  CreateWindowExA(0, "BUTTON", "押す", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 80, 10, 100, 24,
                  window, reinterpret_cast<HMENU>(kButtonId), instance, nullptr);
  HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 80, 40, 160, 16,
                             window, reinterpret_cast<HMENU>(kProgressId), instance, nullptr);
  SendMessageA(bar, PBM_SETRANGE32, 0, kProgressHigh);
  SendMessageA(bar, PBM_SETPOS, kProgressPos, 0);
  CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "初期", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 80,
                  64, 160, 22, window, reinterpret_cast<HMENU>(kEditId), instance, nullptr);
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT square = {0, 0, kPaintedSize, kPaintedSize};
  HBRUSH brush = CreateSolidBrush(kPaintColour);
  FillRect(dc, &square, brush);
  DeleteObject(brush);
  EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == kButtonId) OnPress(window);
      return 0;
    case WM_CLOSE:
      if (!g_ignore_close) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show) {
  if (std::strncmp(command_line, "exit ", 5) == 0)
    return static_cast<int>(std::strtol(command_line + 5, nullptr, 0));
  g_ignore_close = std::strcmp(command_line, "hang") == 0;

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  RegisterClassA(&window_class);
  HWND window = CreateWindowExA(0, kClassName, "試験窓", WS_OVERLAPPEDWINDOW, 20, 20, 320, 160,
                                nullptr, nullptr, instance, nullptr);
  ShowWindow(window, show == SW_HIDE ? SW_SHOW : show);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
