// End-to-end driver: builds updaters with chosen payloads, starts them under Wine, finds their
// windows, reads and presses controls, answers notices, and inspects clipboard, registry and files.
//
// Every text is a cp932 byte string (literals in the tests are UTF-8 source text compiled to
// cp932). Every wait is bounded: it takes a timeout in milliseconds, scaled by the environment
// variable ZOLMIR_TIMEOUT_SCALE (an integer, default 1) for slow machines, and a failed wait adds
// a gtest failure that lists the visible windows of the process with their classes and titles.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Default timeouts, before scaling.
constexpr unsigned kWaitMs = 5000;
constexpr unsigned kExitWaitMs = 10000;
// How often a wait looks again.
constexpr unsigned kPollMs = 20;
// The exit code of a fatal ending, exit(-1), as GetExitCodeProcess gives it.
constexpr DWORD kExitFailure = 0xFFFFFFFFu;
// 2004-04-01 12:00:00 UTC as a FILETIME: the time stamp of payload files unless a test picks one.
constexpr uint64_t kDefaultFileTime = 0x01C417E0DBBE2000ull;

// `ms` multiplied by ZOLMIR_TIMEOUT_SCALE.
unsigned Scaled(unsigned ms);

// ---------------------------------------------------------------------------------------------
// Payloads and updaters

struct PayloadEntry {
  enum Kind { kFile, kFolder, kRaw } kind;
  std::string name;    // cp932, backslashes; folders end in one backslash
  std::string bytes;   // file contents (kFile) or the exact stored bytes (kRaw)
  uint64_t filetime;
  int32_t file_size;   // kRaw only
  int32_t stored_size; // kRaw only
};

// The archive to append, in entry order.
struct Payload {
  std::vector<PayloadEntry> entries;
  bool truncated = false;  // trailer only, no end marker
  int level = 6;           // compression level

  Payload& AddFile(const std::string& name, const std::string& bytes,
                   uint64_t filetime = kDefaultFileTime);
  Payload& AddFolder(const std::string& name);
  // An entry written exactly as given (sizes and stored bytes), for damaged payloads.
  Payload& AddRaw(const std::string& name, int32_t file_size, int32_t stored_size,
                  const std::string& bytes, uint64_t filetime = kDefaultFileTime);
  // Writes the trailer without the end marker.
  Payload& TruncateBeforeEndMarker();
};

// The bare updater (ZOLMIR_UPDATA_EXE, a Windows path), empty when the test was built without.
std::string BareUpdaterPath();
// Copies the bare updater into a fresh folder MakeTempFolder(name) and appends the payload.
// Returns the new executable's path; on failure an empty string and a gtest failure.
std::string BuildUpdater(const Payload& payload, const std::string& name);
// The same for any executable: copy `bare_exe` as `exe_name` into a fresh folder, append.
std::string BuildExecutable(const std::string& bare_exe, const Payload& payload,
                            const std::string& name, const std::string& exe_name = "Updata.exe");

// ---------------------------------------------------------------------------------------------
// Processes

// A started program. Move-only; a program still running when its record dies is killed, so a
// failing test never leaves it behind.
class Process {
 public:
  Process() = default;
  Process(HANDLE handle, DWORD pid) : handle_(handle), pid_(pid) {}
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  bool valid() const { return handle_ != nullptr; }
  HANDLE handle() const { return handle_; }
  DWORD pid() const { return pid_; }
  bool Running() const;

 private:
  HANDLE handle_ = nullptr;
  DWORD pid_ = 0;
};

// Starts `exe` (with an optional command-line tail) in `working_dir` (empty: the exe's folder).
// An invalid record and a gtest failure when it cannot be started.
Process StartUpdater(const std::string& exe, const std::string& working_dir = "");
Process StartProgram(const std::string& exe, const std::string& arguments,
                     const std::string& working_dir = "");
// The exit code, or nothing (and a gtest failure listing the windows) when it did not end in time.
std::optional<DWORD> WaitForExit(Process& process, unsigned timeout_ms = kExitWaitMs);
// Ends the program now (exit code 0xDEAD) and waits for it.
void Kill(Process& process);

// ---------------------------------------------------------------------------------------------
// Windows and controls

// Visible top-level windows of the process, in z-order.
std::vector<HWND> VisibleWindows(DWORD pid);
// Top-level windows of every process: the visible ones, or all of a class, hidden included.
std::set<HWND> AllVisibleWindows();
std::set<HWND> AllWindowsOfClass(const char* class_name);
// A visible top-level window of any process, not in `before`, whose title contains `part`; null
// when there is none now.
HWND NewWindowTitled(const std::set<HWND>& before, const std::string& part);
// One line per visible window of the process: handle, class, title (as cp932 bytes).
std::string DescribeWindows(DWORD pid);
// A visible top-level window of the process with this class and exact title (null: any), now.
HWND FindProcessWindow(DWORD pid, const char* class_name, const char* title);
// The same, waiting; null and a gtest failure after the timeout.
HWND WaitForWindow(DWORD pid, const char* class_name, const char* title,
                   unsigned timeout_ms = kWaitMs);
// True once the window is destroyed or hidden; false and a gtest failure after the timeout.
bool WaitForWindowGone(HWND window, unsigned timeout_ms = kWaitMs);
// Polls `condition` until it holds; false and a gtest failure naming `what` after the timeout.
template <typename Condition>
bool WaitUntil(Condition condition, const char* what, unsigned timeout_ms = kWaitMs);

std::string WindowText(HWND window);
std::string ClassName(HWND window);
HWND Owner(HWND window);  // GW_OWNER
std::string ControlText(HWND dialog, int id);
bool ControlExists(HWND dialog, int id);
bool IsControlVisible(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
// The control's rectangle in the dialog's client coordinates; empty when there is none.
RECT ControlRect(HWND dialog, int id);
RECT ClientRect(HWND window);
// Ids of the dialog's direct children, in z-order.
std::vector<int> ControlIds(HWND dialog);

// Presses a button without waiting for what it starts (a posted WM_COMMAND, BN_CLICKED), so
// the driver never blocks on a modal loop the press opens.
void Click(HWND dialog, int id);
// Posts WM_COMMAND with exactly this wParam (and lParam 0), for odd command values.
void PostCommand(HWND dialog, WPARAM wparam);
// The close box: WM_SYSCOMMAND SC_CLOSE. PostClose sends WM_CLOSE itself.
void CloseWithBox(HWND window);
void PostClose(HWND window);
// Sends WM_CLOSE to a window of another program and waits until that program has ended, so it
// no longer holds its files or its current directory. False after the timeout.
bool CloseProgramWindow(HWND window, unsigned timeout_ms = kWaitMs);
// Sets an edit control's text (WM_SETTEXT, bounded wait). False when the program did not answer.
bool SetControlText(HWND dialog, int id, const std::string& text);
// BM_GETCHECK / BM_SETCHECK of a check box; -1 when the program did not answer.
int CheckState(HWND dialog, int id);
bool SetCheckState(HWND dialog, int id, bool checked);

// A message box of the program: its caption, the text of its static 0xFFFF and its buttons
// (ids IDOK 1 ... IDNO 7 among its children).
struct Notice {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  std::vector<int> buttons;
  bool Has(int id) const;
  // Presses the button `id` (a posted command) and waits until the box is gone.
  bool Answer(int id, unsigned timeout_ms = kWaitMs) const;
};
// A visible message box of the process whose caption is exactly `caption` (null: any).
std::optional<Notice> FindMessageBox(DWORD pid, const char* caption);
std::optional<Notice> WaitForMessageBox(DWORD pid, const char* caption,
                                        unsigned timeout_ms = kWaitMs);

// Progress bars, read across processes by the result value of PBM_GETPOS and PBM_GETRANGE.
// -1 when the program did not answer.
int ProgressPos(HWND bar);
std::pair<int, int> ProgressRange(HWND bar);  // {low, high}

// ---------------------------------------------------------------------------------------------
// Pixels

// 0x00RRGGBB pixels, rows top to bottom.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool empty() const { return pixels.empty(); }
};
// The window's client area as it is on the screen (the window should be on top).
Picture CaptureClient(HWND window);
// The whole screen.
Picture CaptureScreen();
// A 24-bit BMP file. False when it cannot be written.
bool SaveBmp(const Picture& picture, const std::string& path);
// The whole screen, or one window (client area), as a BMP under ShotFolder() with this name
// (".bmp" is added). Returns the path written, empty on failure.
std::string SaveScreenshot(const std::string& name);
std::string SaveWindowShot(HWND window, const std::string& name);
// ZOLMIR_SHOT_FOLDER (set by the build to <build>/screenshots), else the test temp area.
std::string ShotFolder();

// ---------------------------------------------------------------------------------------------
// Clipboard

// CF_TEXT contents as cp932 bytes; nothing when the clipboard holds no text.
std::optional<std::string> ReadClipboardText();
bool ClearClipboard();
// Puts text on the clipboard (for tests that check it is replaced).
bool WriteClipboardText(const std::string& text);

// ---------------------------------------------------------------------------------------------
// Registry (the driver is 32-bit like the updater, so it sees the 32-bit view by default)

enum class RegView { k32, k64 };
bool SetRegString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value, RegView view = RegView::k32);
bool SetRegDword(HKEY root, const std::string& key, const std::string& name, DWORD value,
                 RegView view = RegView::k32);
std::optional<std::string> ReadRegString(HKEY root, const std::string& key,
                                         const std::string& name, RegView view = RegView::k32);
std::optional<DWORD> ReadRegDword(HKEY root, const std::string& key, const std::string& name,
                                  RegView view = RegView::k32);
// REG_SZ, REG_DWORD, ...; nothing when the value is missing.
std::optional<DWORD> ReadRegType(HKEY root, const std::string& key, const std::string& name,
                                 RegView view = RegView::k32);
bool RegKeyExists(HKEY root, const std::string& key, RegView view = RegView::k32);
bool DeleteRegValue(HKEY root, const std::string& key, const std::string& name,
                    RegView view = RegView::k32);
// Deletes the key and everything below it; true also when it did not exist.
bool DeleteRegTree(HKEY root, const std::string& key, RegView view = RegView::k32);

// A fresh prefix may lack the association of .txt files with the text viewer, which a player's
// Windows has and the readme relies on: adds it unless some association is there.
void EnsureTextAssociation();

// ---------------------------------------------------------------------------------------------
// Files (Windows paths, cp932)

std::optional<std::string> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
// Names in the folder (no "." and ".."), sorted by bytes; folders end in a backslash.
std::vector<std::string> ListFolder(const std::string& folder);
// Deletes a folder and everything in it (read-only attributes cleared first).
bool RemoveTree(const std::string& folder);
// A fresh empty folder for this test: <test area>\<suite>.<test>\<tag>, emptied if it existed.
// The test area is ZOLMIR_TEST_AREA (set by the build), else GetTempPathA()\zolmir-e2e.
std::string MakeTempFolder(const std::string& tag);
std::string TempPath();          // GetTempPathA, ending in a backslash
std::string WindowsDirectory();  // GetWindowsDirectoryA, no trailing backslash
std::string CurrentDirectory();
// Paths of the updater's work folders ("TempGPInstallFolder_*" under TempPath()) now present.
std::vector<std::string> WorkFolders();
// Last-write time (GetFileTime) as a 64-bit FILETIME value; nothing when it cannot be read.
std::optional<uint64_t> FileWriteTime(const std::string& path);
bool SetFileWriteTime(const std::string& path, uint64_t filetime);
// Joins with one backslash.
std::string JoinPath(const std::string& folder, const std::string& name);

// ---------------------------------------------------------------------------------------------

namespace detail {
void ReportTimeout(const char* what, unsigned timeout_ms);
}

template <typename Condition>
bool WaitUntil(Condition condition, const char* what, unsigned timeout_ms) {
  const DWORD limit = Scaled(timeout_ms);
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= limit) break;
    Sleep(kPollMs);
  }
  if (condition()) return true;
  detail::ReportTimeout(what, limit);
  return false;
}

}  // namespace e2e
