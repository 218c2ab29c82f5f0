// End-to-end driver: payload building, process and window control, clipboard, registry, files.
#include "driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "payload/archive_writer.h"

#ifndef ZOLMIR_UPDATA_EXE
#define ZOLMIR_UPDATA_EXE ""
#endif

namespace e2e {
namespace {

// A cross-process message that gets no answer in this time counts as unanswered.
constexpr UINT kSendTimeoutMs = 2000;
// Exit code given to a program the driver kills.
constexpr UINT kKilledExitCode = 0xDEAD;
// The message box text static and the button ids a message box can hold.
constexpr int kNoticeTextId = 0xFFFF;
constexpr int kNoticeButtonIds[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO,
                                    IDCLOSE, IDHELP, IDTRYAGAIN, IDCONTINUE};

std::string FromEnvironment(const char* name) {
  char buffer[1024];
  DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  return std::string(buffer, n);
}

// A Unix path from the build (/work/...) as Wine's Z: drive sees it; Windows paths unchanged.
std::string ToWindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string out = "Z:" + path;
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

std::string StripBackslash(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

bool MakeFolders(const std::string& path) {
  if (path.empty() || DirExists(path)) return true;
  size_t cut = path.find_last_of('\\');
  if (cut != std::string::npos && cut > 2) MakeFolders(path.substr(0, cut));
  return CreateDirectoryA(path.c_str(), nullptr) || DirExists(path);
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool* answered) {
  DWORD_PTR result = 0;
  LRESULT ok = SendMessageTimeoutA(window, message, wparam, lparam,
                                   SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &result);
  if (answered) *answered = ok != 0;
  return static_cast<LRESULT>(result);
}

struct FindContext {
  DWORD pid;
  std::vector<HWND>* out;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM param) {
  FindContext* context = reinterpret_cast<FindContext*>(param);
  DWORD owner_pid = 0;
  GetWindowThreadProcessId(window, &owner_pid);
  if (owner_pid == context->pid && IsWindowVisible(window)) context->out->push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChildIds(HWND child, LPARAM param) {
  std::pair<HWND, std::vector<int>*>* context =
      reinterpret_cast<std::pair<HWND, std::vector<int>*>*>(param);
  if (GetParent(child) == context->first) context->second->push_back(GetDlgCtrlID(child));
  return TRUE;
}

// The pid whose windows a failed wait lists; set by the waits that know it.
DWORD g_reported_pid = 0;

bool IsNoticeWindow(HWND window) {
  if (ClassName(window) != "#32770") return false;
  if (!GetDlgItem(window, kNoticeTextId)) return false;
  for (int id : ControlIds(window)) {
    if (id == kNoticeTextId) continue;
    HWND child = GetDlgItem(window, id);
    if (ClassName(child) == "Button" &&
        std::find(std::begin(kNoticeButtonIds), std::end(kNoticeButtonIds), id) ==
            std::end(kNoticeButtonIds))
      return false;
    if (ClassName(child) == "Edit") return false;
  }
  return true;
}

Notice ReadNotice(HWND window) {
  Notice notice;
  notice.window = window;
  notice.caption = WindowText(window);
  notice.text = ControlText(window, kNoticeTextId);
  for (int id : kNoticeButtonIds) {
    HWND button = GetDlgItem(window, id);
    if (button && ClassName(button) == "Button") notice.buttons.push_back(id);
  }
  std::sort(notice.buttons.begin(), notice.buttons.end());
  return notice;
}

std::string TestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!info) return "no-test";
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?') c = '_';
  return name;
}

Picture CaptureScreenRect(int left, int top, int width, int height) {
  Picture picture;
  if (width <= 0 || height <= 0) return picture;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    if (BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY)) {
      GdiFlush();
      picture.width = width;
      picture.height = height;
      const uint32_t* source = static_cast<const uint32_t*>(bits);
      picture.pixels.assign(source, source + static_cast<size_t>(width) * height);
      for (uint32_t& p : picture.pixels) p &= 0x00FFFFFFu;
    }
    SelectObject(memory, old);
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

REGSAM ViewFlag(RegView view) { return view == RegView::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

bool DeleteKeyRecursive(HKEY root, const std::string& key, REGSAM view) {
  HKEY handle;
  LONG r = RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | KEY_WRITE | view, &handle);
  if (r == ERROR_FILE_NOT_FOUND) return true;
  if (r != ERROR_SUCCESS) return false;
  std::vector<std::string> children;
  char name[512];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(handle, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    children.push_back(std::string(name, size));
  }
  RegCloseKey(handle);
  for (const std::string& child : children) DeleteKeyRecursive(root, key + "\\" + child, view);
  r = RegDeleteKeyExA(root, key.c_str(), view, 0);
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

}  // namespace

unsigned Scaled(unsigned ms) {
  int scale = std::atoi(FromEnvironment("ZOLMIR_TIMEOUT_SCALE").c_str());
  if (scale < 1) scale = 1;
  if (scale > 100) scale = 100;
  return ms * static_cast<unsigned>(scale);
}

namespace detail {
void ReportTimeout(const char* what, unsigned timeout_ms) {
  std::string windows = g_reported_pid ? DescribeWindows(g_reported_pid) : std::string();
  ADD_FAILURE() << "timed out after " << timeout_ms << " ms waiting for " << what
                << "\nvisible windows of process " << g_reported_pid << ":\n"
                << (windows.empty() ? std::string("  (none)\n") : windows);
}
}  // namespace detail

// ---------------------------------------------------------------------------------------------
// Payloads and updaters

Payload& Payload::AddFile(const std::string& name, const std::string& bytes, uint64_t filetime) {
  entries.push_back({PayloadEntry::kFile, name, bytes, filetime, 0, 0});
  return *this;
}

Payload& Payload::AddFolder(const std::string& name) {
  entries.push_back({PayloadEntry::kFolder, name, std::string(), 0, -1, 0});
  return *this;
}

Payload& Payload::AddRaw(const std::string& name, int32_t file_size, int32_t stored_size,
                         const std::string& bytes, uint64_t filetime) {
  entries.push_back({PayloadEntry::kRaw, name, bytes, filetime, file_size, stored_size});
  return *this;
}

Payload& Payload::TruncateBeforeEndMarker() {
  truncated = true;
  return *this;
}

std::string BareUpdaterPath() { return ToWindowsPath(ZOLMIR_UPDATA_EXE); }

std::string BuildUpdater(const Payload& payload, const std::string& name) {
  std::string bare = BareUpdaterPath();
  if (bare.empty()) {
    ADD_FAILURE() << "this test was built without the updater's path";
    return std::string();
  }
  return BuildExecutable(bare, payload, name);
}

std::string BuildExecutable(const std::string& bare_exe, const Payload& payload,
                            const std::string& name, const std::string& exe_name) {
  std::string folder = MakeTempFolder(name);
  std::string exe = JoinPath(folder, exe_name);
  std::optional<std::string> image = ReadFileBytes(ToWindowsPath(bare_exe));
  if (!image) {
    ADD_FAILURE() << "cannot read the bare executable " << bare_exe;
    return std::string();
  }
  FILE* out = std::fopen(exe.c_str(), "wb");
  if (!out) {
    ADD_FAILURE() << "cannot create " << exe;
    return std::string();
  }
  bool ok = std::fwrite(image->data(), 1, image->size(), out) == image->size();
  ArchiveWriter writer = {};
  if (ok && BeginArchive(&writer, out, payload.level) != 0) ok = false;
  for (const PayloadEntry& entry : payload.entries) {
    if (!ok) break;
    int r = 0;
    switch (entry.kind) {
      case PayloadEntry::kFile:
        r = AddFileEntry(&writer, entry.name.c_str(), entry.bytes.data(), entry.bytes.size(),
                         entry.filetime);
        break;
      case PayloadEntry::kFolder:
        r = AddFolderEntry(&writer, entry.name.c_str());
        break;
      case PayloadEntry::kRaw:
        r = AddRawEntry(&writer, entry.name.c_str(), entry.file_size, entry.stored_size,
                        entry.filetime, entry.bytes.data(), entry.bytes.size());
        break;
    }
    ok = r == 0;
  }
  if (ok) ok = (payload.truncated ? WriteTrailerOnly(&writer) : FinishArchive(&writer)) == 0;
  if (std::fclose(out) != 0) ok = false;
  if (!ok) {
    ADD_FAILURE() << "cannot write the payload into " << exe << ": " << writer.error;
    return std::string();
  }
  return exe;
}

// ---------------------------------------------------------------------------------------------
// Processes

Process::Process(Process&& other) noexcept : handle_(other.handle_), pid_(other.pid_) {
  other.handle_ = nullptr;
  other.pid_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    this->~Process();
    handle_ = other.handle_;
    pid_ = other.pid_;
    other.handle_ = nullptr;
    other.pid_ = 0;
  }
  return *this;
}

Process::~Process() {
  if (!handle_) return;
  if (Running()) {
    TerminateProcess(handle_, kKilledExitCode);
    WaitForSingleObject(handle_, Scaled(kWaitMs));
  }
  CloseHandle(handle_);
  handle_ = nullptr;
}

bool Process::Running() const {
  return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

Process StartUpdater(const std::string& exe, const std::string& working_dir) {
  return StartProgram(exe, std::string(), working_dir);
}

Process StartProgram(const std::string& exe, const std::string& arguments,
                     const std::string& working_dir) {
  std::string path = ToWindowsPath(exe);
  std::string folder = working_dir.empty() ? path.substr(0, path.find_last_of('\\'))
                                           : ToWindowsPath(working_dir);
  std::string command = "\"" + path + "\"";
  if (!arguments.empty()) command += " " + arguments;
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start " << path << " in " << folder << ": error "
                  << GetLastError();
    return Process();
  }
  CloseHandle(info.hThread);
  g_reported_pid = info.dwProcessId;
  // Let the program reach its message loop before the test looks for windows.
  WaitForInputIdle(info.hProcess, Scaled(kWaitMs));
  return Process(info.hProcess, info.dwProcessId);
}

std::optional<DWORD> WaitForExit(Process& process, unsigned timeout_ms) {
  if (!process.valid()) {
    ADD_FAILURE() << "waiting for a program that was never started";
    return std::nullopt;
  }
  g_reported_pid = process.pid();
  if (WaitForSingleObject(process.handle(), Scaled(timeout_ms)) != WAIT_OBJECT_0) {
    detail::ReportTimeout("the program to end", Scaled(timeout_ms));
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.handle(), &code)) return std::nullopt;
  return code;
}

void Kill(Process& process) {
  if (!process.valid()) return;
  TerminateProcess(process.handle(), kKilledExitCode);
  WaitForSingleObject(process.handle(), Scaled(kWaitMs));
}

// ---------------------------------------------------------------------------------------------
// Windows and controls

std::vector<HWND> VisibleWindows(DWORD pid) {
  std::vector<HWND> windows;
  FindContext context = {pid, &windows};
  EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&context));
  return windows;
}

namespace {
struct ClassContext {
  const char* class_name;  // null: visible windows of any class
  std::set<HWND>* out;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  ClassContext* context = reinterpret_cast<ClassContext*>(param);
  bool wanted = context->class_name ? ClassName(window) == context->class_name
                                    : IsWindowVisible(window) != FALSE;
  if (wanted) context->out->insert(window);
  return TRUE;
}
}  // namespace

std::set<HWND> AllVisibleWindows() {
  std::set<HWND> windows;
  ClassContext context = {nullptr, &windows};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&context));
  return windows;
}

std::set<HWND> AllWindowsOfClass(const char* class_name) {
  std::set<HWND> windows;
  ClassContext context = {class_name, &windows};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&context));
  return windows;
}

HWND NewWindowTitled(const std::set<HWND>& before, const std::string& part) {
  for (HWND window : AllVisibleWindows()) {
    if (!before.count(window) && WindowText(window).find(part) != std::string::npos) return window;
  }
  return nullptr;
}

std::string DescribeWindows(DWORD pid) {
  std::string out;
  for (HWND window : VisibleWindows(pid)) {
    char line[128];
    std::snprintf(line, sizeof line, "  %p class \"", static_cast<void*>(window));
    out += line + ClassName(window) + "\" title \"" + WindowText(window) + "\"";
    if (IsNoticeWindow(window)) out += " text \"" + ControlText(window, kNoticeTextId) + "\"";
    out += "\n";
  }
  return out;
}

HWND FindProcessWindow(DWORD pid, const char* class_name, const char* title) {
  for (HWND window : VisibleWindows(pid)) {
    if (class_name && ClassName(window) != class_name) continue;
    if (title && WindowText(window) != title) continue;
    return window;
  }
  return nullptr;
}

HWND WaitForWindow(DWORD pid, const char* class_name, const char* title, unsigned timeout_ms) {
  g_reported_pid = pid;
  HWND found = nullptr;
  std::string what = std::string("a window of class \"") + (class_name ? class_name : "*") +
                     "\" titled \"" + (title ? title : "*") + "\"";
  WaitUntil([&] { return (found = FindProcessWindow(pid, class_name, title)) != nullptr; },
            what.c_str(), timeout_ms);
  return found;
}

bool WaitForWindowGone(HWND window, unsigned timeout_ms) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid) g_reported_pid = pid;
  std::string what = "window \"" + WindowText(window) + "\" to go away";
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, what.c_str(),
                   timeout_ms);
}

std::string WindowText(HWND window) {
  // For another process's window this reads the stored title and never blocks.
  char buffer[4096];
  int n = GetWindowTextA(window, buffer, sizeof buffer);
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string ClassName(HWND window) {
  char buffer[256];
  int n = GetClassNameA(window, buffer, sizeof buffer);
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

HWND Owner(HWND window) { return GetWindow(window, GW_OWNER); }

std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return std::string();
  // Asked of the control itself, so an edit box gives what it holds now, not its first title.
  char buffer[4096];
  bool answered = false;
  LRESULT n = SendBounded(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                          &answered);
  if (!answered || n < 0) return WindowText(control);
  return std::string(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

bool ControlExists(HWND dialog, int id) { return GetDlgItem(dialog, id) != nullptr; }

bool IsControlVisible(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control && IsWindowVisible(control);
}

bool IsControlEnabled(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control && IsWindowEnabled(control);
}

RECT ControlRect(HWND dialog, int id) {
  RECT rect = {};
  HWND control = GetDlgItem(dialog, id);
  if (!control) return rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT ClientRect(HWND window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  return rect;
}

std::vector<int> ControlIds(HWND dialog) {
  std::vector<int> ids;
  std::pair<HWND, std::vector<int>*> context(dialog, &ids);
  EnumChildWindows(dialog, CollectChildIds, reinterpret_cast<LPARAM>(&context));
  return ids;
}

void Click(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(control));
}

void PostCommand(HWND dialog, WPARAM wparam) { PostMessageA(dialog, WM_COMMAND, wparam, 0); }

void CloseWithBox(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

void PostClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

bool SetControlText(HWND dialog, int id, const std::string& text) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return false;
  bool answered = false;
  SendBounded(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &answered);
  return answered;
}

bool CloseProgramWindow(HWND window, unsigned timeout_ms) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE program = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostClose(window);
  if (program == nullptr) return WaitForWindowGone(window, timeout_ms);
  bool ended = WaitForSingleObject(program, Scaled(timeout_ms)) == WAIT_OBJECT_0;
  CloseHandle(program);
  if (!ended) ADD_FAILURE() << "the program of window " << window << " did not end";
  return ended;
}

int CheckState(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return -1;
  bool answered = false;
  LRESULT state = SendBounded(control, BM_GETCHECK, 0, 0, &answered);
  return answered ? static_cast<int>(state) : -1;
}

bool SetCheckState(HWND dialog, int id, bool checked) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return false;
  bool answered = false;
  SendBounded(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0, &answered);
  return answered;
}

bool Notice::Has(int id) const {
  return std::find(buttons.begin(), buttons.end(), id) != buttons.end();
}

bool Notice::Answer(int id, unsigned timeout_ms) const {
  if (!Has(id)) {
    ADD_FAILURE() << "the notice \"" << text << "\" has no button " << id;
    return false;
  }
  Click(window, id);
  return WaitForWindowGone(window, timeout_ms);
}

std::optional<Notice> FindMessageBox(DWORD pid, const char* caption) {
  for (HWND window : VisibleWindows(pid)) {
    if (!IsNoticeWindow(window)) continue;
    if (caption && WindowText(window) != caption) continue;
    return ReadNotice(window);
  }
  return std::nullopt;
}

std::optional<Notice> WaitForMessageBox(DWORD pid, const char* caption, unsigned timeout_ms) {
  g_reported_pid = pid;
  std::optional<Notice> found;
  std::string what =
      std::string("a message box captioned \"") + (caption ? caption : "*") + "\"";
  WaitUntil([&] { return (found = FindMessageBox(pid, caption)).has_value(); }, what.c_str(),
            timeout_ms);
  return found;
}

int ProgressPos(HWND bar) {
  bool answered = false;
  LRESULT pos = SendBounded(bar, PBM_GETPOS, 0, 0, &answered);
  return answered ? static_cast<int>(pos) : -1;
}

std::pair<int, int> ProgressRange(HWND bar) {
  bool low_answered = false, high_answered = false;
  LRESULT low = SendBounded(bar, PBM_GETRANGE, TRUE, 0, &low_answered);
  LRESULT high = SendBounded(bar, PBM_GETRANGE, FALSE, 0, &high_answered);
  if (!low_answered || !high_answered) return {-1, -1};
  return {static_cast<int>(low), static_cast<int>(high)};
}

// ---------------------------------------------------------------------------------------------
// Pixels

Picture CaptureClient(HWND window) {
  RECT client = ClientRect(window);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  return CaptureScreenRect(origin.x, origin.y, client.right - client.left,
                           client.bottom - client.top);
}

Picture CaptureScreen() {
  return CaptureScreenRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool SaveBmp(const Picture& picture, const std::string& path) {
  if (picture.empty()) return false;
  const uint32_t stride = (static_cast<uint32_t>(picture.width) * 3 + 3) & ~3u;
  const uint32_t image_size = stride * static_cast<uint32_t>(picture.height);
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + image_size;
  info.biSize = sizeof info;
  info.biWidth = picture.width;
  info.biHeight = picture.height;  // bottom-up, as every viewer expects
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = image_size;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  std::string row(stride, '\0');
  for (int y = picture.height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      uint32_t p = picture.At(x, y);
      row[x * 3 + 0] = static_cast<char>(p & 0xFF);
      row[x * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
      row[x * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
    }
    bytes += row;
  }
  return WriteFileBytes(path, bytes);
}

std::string ShotFolder() {
  std::string folder = ToWindowsPath(FromEnvironment("ZOLMIR_SHOT_FOLDER"));
  if (folder.empty()) folder = JoinPath(StripBackslash(TempPath()), "zolmir-e2e-shots");
  MakeFolders(folder);
  return folder;
}

std::string SaveScreenshot(const std::string& name) {
  std::string path = JoinPath(ShotFolder(), name + ".bmp");
  return SaveBmp(CaptureScreen(), path) ? path : std::string();
}

std::string SaveWindowShot(HWND window, const std::string& name) {
  std::string path = JoinPath(ShotFolder(), name + ".bmp");
  return SaveBmp(CaptureClient(window), path) ? path : std::string();
}

// ---------------------------------------------------------------------------------------------
// Clipboard

namespace {
// The clipboard may be held for a moment by the program under test.
constexpr int kClipboardOpenTries = 50;

bool OpenClipboardRetrying() {
  for (int i = 0; i < kClipboardOpenTries; ++i) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(kPollMs);
  }
  return false;
}
}  // namespace

std::optional<std::string> ReadClipboardText() {
  if (!OpenClipboardRetrying()) {
    ADD_FAILURE() << "cannot open the clipboard";
    return std::nullopt;
  }
  std::optional<std::string> text;
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data) {
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    if (bytes) {
      SIZE_T limit = GlobalSize(data);
      text = std::string(bytes, strnlen(bytes, limit));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool ClearClipboard() {
  if (!OpenClipboardRetrying()) return false;
  bool ok = EmptyClipboard() != 0;
  CloseClipboard();
  return ok;
}

bool WriteClipboardText(const std::string& text) {
  if (!OpenClipboardRetrying()) return false;
  bool ok = false;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (memory) {
    char* bytes = static_cast<char*>(GlobalLock(memory));
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    ok = SetClipboardData(CF_TEXT, memory) != nullptr;
    if (!ok) GlobalFree(memory);
  }
  CloseClipboard();
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Registry

bool SetRegString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value, RegView view) {
  HKEY handle;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | ViewFlag(view), nullptr,
                      &handle, nullptr) != ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExA(handle, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
  return r == ERROR_SUCCESS;
}

bool SetRegDword(HKEY root, const std::string& key, const std::string& name, DWORD value,
                 RegView view) {
  HKEY handle;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | ViewFlag(view), nullptr,
                      &handle, nullptr) != ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExA(handle, name.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(handle);
  return r == ERROR_SUCCESS;
}

namespace {
std::optional<std::pair<DWORD, std::string>> ReadRegValue(HKEY root, const std::string& key,
                                                          const std::string& name,
                                                          RegView view) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | ViewFlag(view), &handle) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, size = 0;
  std::optional<std::pair<DWORD, std::string>> result;
  if (RegQueryValueExA(handle, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::string data(size, '\0');
    if (RegQueryValueExA(handle, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&data[0]), &size) == ERROR_SUCCESS) {
      data.resize(size);
      result = std::make_pair(type, data);
    }
  }
  RegCloseKey(handle);
  return result;
}
}  // namespace

std::optional<std::string> ReadRegString(HKEY root, const std::string& key,
                                         const std::string& name, RegView view) {
  auto value = ReadRegValue(root, key, name, view);
  if (!value || (value->first != REG_SZ && value->first != REG_EXPAND_SZ)) return std::nullopt;
  std::string text = value->second;
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

std::optional<DWORD> ReadRegDword(HKEY root, const std::string& key, const std::string& name,
                                  RegView view) {
  auto value = ReadRegValue(root, key, name, view);
  if (!value || value->first != REG_DWORD || value->second.size() != sizeof(DWORD))
    return std::nullopt;
  DWORD number;
  std::memcpy(&number, value->second.data(), sizeof number);
  return number;
}

std::optional<DWORD> ReadRegType(HKEY root, const std::string& key, const std::string& name,
                                 RegView view) {
  auto value = ReadRegValue(root, key, name, view);
  if (!value) return std::nullopt;
  return value->first;
}

bool RegKeyExists(HKEY root, const std::string& key, RegView view) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | ViewFlag(view), &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

bool DeleteRegValue(HKEY root, const std::string& key, const std::string& name, RegView view) {
  HKEY handle;
  LONG r = RegOpenKeyExA(root, key.c_str(), 0, KEY_WRITE | ViewFlag(view), &handle);
  if (r == ERROR_FILE_NOT_FOUND) return true;
  if (r != ERROR_SUCCESS) return false;
  r = RegDeleteValueA(handle, name.c_str());
  RegCloseKey(handle);
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegTree(HKEY root, const std::string& key, RegView view) {
  return DeleteKeyRecursive(root, key, ViewFlag(view));
}

void EnsureTextAssociation() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  char value[64];
  LONG size = sizeof value;
  if (RegQueryValueA(key, nullptr, value, &size) != ERROR_SUCCESS || value[0] == '\0') {
    static const char kTextClass[] = "txtfile";
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kTextClass),
                   sizeof kTextClass);
  }
  RegCloseKey(key);
}

// ---------------------------------------------------------------------------------------------
// Files

std::optional<std::string> ReadFileBytes(const std::string& path) {
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.append(buffer, n);
  bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) return std::nullopt;
  return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (std::fclose(out) != 0) ok = false;
  return ok;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) name += "\\";
    names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

bool RemoveTree(const std::string& folder) {
  if (!DirExists(folder)) return true;
  for (const std::string& name : ListFolder(folder)) {
    std::string path = JoinPath(folder, name);
    if (name.back() == '\\') {
      RemoveTree(StripBackslash(path));
    } else {
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.c_str());
    }
  }
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(folder.c_str()) != 0;
}

std::string MakeTempFolder(const std::string& tag) {
  std::string area = ToWindowsPath(FromEnvironment("ZOLMIR_TEST_AREA"));
  if (area.empty()) area = JoinPath(StripBackslash(TempPath()), "zolmir-e2e");
  std::string folder = JoinPath(JoinPath(StripBackslash(area), TestName()), tag);
  RemoveTree(folder);
  if (!MakeFolders(folder)) ADD_FAILURE() << "cannot create the folder " << folder;
  return folder;
}

std::string TempPath() {
  char buffer[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof buffer, buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  return std::string(buffer, n);
}

std::string WindowsDirectory() {
  char buffer[MAX_PATH + 1];
  UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  return StripBackslash(std::string(buffer, n));
}

std::string CurrentDirectory() {
  char buffer[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  return std::string(buffer, n);
}

std::vector<std::string> WorkFolders() {
  std::vector<std::string> folders;
  std::string temp = TempPath();
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((temp + "TempGPInstallFolder_*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return folders;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folders.push_back(temp + found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(folders.begin(), folders.end());
  return folders;
}

std::optional<uint64_t> FileWriteTime(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  FILETIME written;
  BOOL ok = GetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
}

bool SetFileWriteTime(const std::string& path, uint64_t filetime) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME written;
  written.dwLowDateTime = static_cast<DWORD>(filetime);
  written.dwHighDateTime = static_cast<DWORD>(filetime >> 32);
  BOOL ok = SetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
  return ok != 0;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

}  // namespace e2e
