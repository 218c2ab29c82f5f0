// Common services: notices with their clipboard copy, file access, message pumping, launching, memory.
#include "shell/services.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "shell/cp932.h"
#include "shell/window_services.h"

namespace {

constexpr UINT kRetryCancelStyle = MB_RETRYCANCEL | MB_ICONERROR | MB_TOPMOST;
constexpr UINT kErrorStyle = MB_OK | MB_ICONERROR | MB_TOPMOST;
constexpr UINT kAskStyle = MB_YESNO | MB_ICONQUESTION;
constexpr int kFatalExitCode = -1;
// Every heap block carries this much slack behind the size asked for.
constexpr size_t kAllocSlack = 32;
// The longest path FileExists takes, and the longest program path that fits in the
// 260-byte command line with its two quotation marks.
constexpr size_t kMaxPathLength = kPathSize - 1;
constexpr size_t kMaxProgramPathLength = kPathSize - 3;

CRITICAL_SECTION g_file_lock;
bool g_file_lock_ready = false;

void DeleteFileLock() { DeleteCriticalSection(&g_file_lock); }

void EnterFileLock() {
  if (!g_file_lock_ready) {
    InitializeCriticalSection(&g_file_lock);
    atexit(DeleteFileLock);
    g_file_lock_ready = true;
  }
  EnterCriticalSection(&g_file_lock);
}

void LeaveFileLock() { LeaveCriticalSection(&g_file_lock); }

// Formats a notice, brings the main window forward, copies error texts to the clipboard and
// shows the box owned by the main window with its title as caption.
int ShowNotice(UINT style, bool copy_to_clipboard, const char* format, va_list args) {
  char text[kNoticeSize];
  FormatTextV(text, sizeof text, format, args);
  SetForegroundWindow(GetMainWindow());
  if (copy_to_clipboard) CopyTextToClipboard(text);
  return MessageBoxA(GetMainWindow(), text, GetMainWindowTitle(), style);
}

// True for ".wav" and ".ogg" in any letter case, the extension of the last path component.
bool IsSoundFileName(const char* path) {
  const char* last_backslash = FindLastCharMb(path, '\\');
  const char* last_slash = FindLastCharMb(path, '/');
  const char* component = path;
  if (last_backslash && last_backslash + 1 > component) component = last_backslash + 1;
  if (last_slash && last_slash + 1 > component) component = last_slash + 1;
  const char* dot = FindLastCharMb(component, '.');
  if (!dot) return false;
  char extension[8];
  if (!CopyText(extension, sizeof extension, dot)) return false;
  LowerMb(extension);
  return strcmp(extension, ".wav") == 0 || strcmp(extension, ".ogg") == 0;
}

}  // namespace

void ErrorBoxRetry(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int answer = ShowNotice(kRetryCancelStyle, true, format, args);
  va_end(args);
  if (answer == IDCANCEL) exit(kFatalExitCode);
}

void ErrorBox(const char* format, ...) {
  va_list args;
  va_start(args, format);
  ShowNotice(kErrorStyle, true, format, args);
  va_end(args);
}

int AskBox(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int answer = ShowNotice(kAskStyle, false, format, args);
  va_end(args);
  return answer == IDYES ? 1 : 0;
}

int CopyTextToClipboard(const char* text) {
  size_t size = strlen(text) + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!block) return -1;
  void* memory = GlobalLock(block);
  if (memory) {
    memcpy(memory, text, size);
    GlobalUnlock(block);
  }
  OpenClipboard(GetActiveWindow());
  EmptyClipboard();
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
  return 0;
}

FILE* Ffopen(const char* path, const char* mode) {
  for (;;) {
    EnterFileLock();
    FILE* stream = fopen(path, mode);
    LeaveFileLock();
    if (stream) return stream;
    ErrorBoxRetry("Ffopen : ファイル[%s]の読み込みで失敗しました", path);
  }
}

int FileExists(const char* path) {
  EnterFileLock();
  int result = 0;
  if (strlen(path) <= kMaxPathLength && !(IsSoundFileName(path) && FindCharMb(path, '\\'))) {
    FILE* stream = fopen(path, "rb");
    if (stream) {
      fclose(stream);
      result = 1;
    }
  }
  LeaveFileLock();
  return result;
}

int PumpMessages() {
  int count = 0;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) exit(static_cast<int>(message.wParam));
    TranslateMessage(&message);
    DispatchMessageA(&message);
    ++count;
  }
  return count;
}

void OpenDocument(const char* path) {
  SHELLEXECUTEINFOA info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.hwnd = GetMainWindow();
  info.lpVerb = "open";
  info.lpFile = path;
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExA(&info);
}

int RunProgram(const char* path) {
  if (strlen(path) > kMaxProgramPathLength) return 0;
  char command_line[kPathSize];
  FormatText(command_line, sizeof command_line, "\"%s\"", path);

  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.wShowWindow = SW_SHOWDEFAULT;
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  BOOL started = CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &process);
  if (started) {
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  return started;
}

void* AllocOrWarn(size_t size) {
  void* block = size <= SIZE_MAX - kAllocSlack ? malloc(size + kAllocSlack) : nullptr;
  if (!block) MessageBoxA(nullptr, "メモリ容量が不足しています。処理を中断します。", "malloc", MB_ICONERROR);
  return block;
}
