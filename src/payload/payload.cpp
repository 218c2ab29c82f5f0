// The updater side of the payload: its own file, the copy progress window and the failure exit.
#include "payload/payload.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "payload/copy_progress.h"
#include "payload/extract_core.h"
#include "resource.h"
#include "shell/lifetime.h"
#include "shell/services.h"

namespace {

constexpr char kDamagedNotice[] = "ファイルの読み込みに失敗しました。ファイルが壊れている可能性があります。";

// The payload size and the first byte after the archive (the trailer), from the last OpenPayload.
uint32_t g_payload_size = 0;
uint64_t g_archive_end = 0;

void* AllocBlock(void*, size_t size) { return AllocOrWarn(size); }
void ReleaseBlock(void*, void* block) { free(block); }

void* OpenOutput(void*, const char* path) { return fopen(path, "wb"); }

size_t WriteOutput(void*, void* file, const void* data, size_t size) {
  return fwrite(data, 1, size, static_cast<FILE*>(file));
}

int CloseOutput(void*, void* file) { return fclose(static_cast<FILE*>(file)) == 0 ? 0 : -1; }

void RemoveOutput(void*, const char* path) { DeleteFileA(path); }

void SetOutputTime(void*, const char* path, uint64_t filetime) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(filetime);
  time.dwHighDateTime = static_cast<DWORD>(filetime >> 32);
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
}

int ReplaceOutput(void*, const char* temporary, const char* target) {
  return MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING) ? 0 : -1;
}

void MakeFolder(void*, const char* path) { CreateDirectoryA(path, nullptr); }

void BeginFile(void* context, const char* path, int32_t file_size) {
  HWND window = static_cast<HWND>(context);
  if (!window) return;
  SendDlgItemMessageA(window, IDC_COPY_FILE_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
  SendDlgItemMessageA(window, IDC_COPY_FILE_BAR, PBM_SETRANGE, 0,
                      MAKELPARAM(0, ProgressUnits(static_cast<uint64_t>(file_size))));
  SendDlgItemMessageA(window, IDC_COPY_FILE_BAR, PBM_SETPOS, 0, 0);
}

void ShowProgress(void* context, uint32_t file_units, uint32_t overall_units) {
  HWND window = static_cast<HWND>(context);
  if (!window) return;
  SendDlgItemMessageA(window, IDC_COPY_FILE_BAR, PBM_SETPOS, file_units, 0);
  SendDlgItemMessageA(window, IDC_COPY_TOTAL_BAR, PBM_SETPOS, overall_units, 0);
}

void Pump(void*) { PumpMessages(); }

// Damage of any kind: one notice, the work folder gone, exit code -1 through the normal exit.
[[noreturn]] void FailureExit() {
  CloseCopyProgress();
  ErrorBox("%s", kDamagedNotice);
  RemoveWorkFolder();
  exit(-1);
}

}  // namespace

FILE* OpenPayload() {
  char path[kPathSize];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return nullptr;
  path[sizeof path - 1] = '\0';
  FILE* file = fopen(path, "rb");
  if (!file) return nullptr;
  _fseeki64(file, -static_cast<__int64>(kTrailerSize), SEEK_END);
  __int64 end = _ftelli64(file);
  unsigned char trailer[kTrailerSize] = {0, 0, 0, 0};
  fread(trailer, 1, sizeof trailer, file);
  _fseeki64(file, GetU32(trailer), SEEK_SET);
  __int64 start = _ftelli64(file);
  // A trailer that points past itself leaves no payload rather than a wrapped-around size.
  g_archive_end = end > 0 ? static_cast<uint64_t>(end) : 0;
  g_payload_size = end > start && start >= 0 ? static_cast<uint32_t>(end - start) : 0;
  return file;
}

uint32_t GetPayloadSize() { return g_payload_size; }

void ExtractPayload(const char* folder, ExtractMode mode) {
  FILE* file = OpenPayload();
  if (!file) FailureExit();
  HWND window = mode == ExtractMode::Full ? OpenCopyProgress(g_payload_size) : nullptr;
  FileSource stream;
  ArchiveSource source =
      MakeFileSource(&stream, file, static_cast<uint64_t>(_ftelli64(file)), g_archive_end);
  ExtractHooks hooks{};
  hooks.context = window;
  hooks.alloc = AllocBlock;
  hooks.release = ReleaseBlock;
  hooks.open_output = OpenOutput;
  hooks.write_output = WriteOutput;
  hooks.close_output = CloseOutput;
  hooks.remove_output = RemoveOutput;
  hooks.set_file_time = SetOutputTime;
  hooks.replace_file = ReplaceOutput;
  hooks.make_folder = MakeFolder;
  hooks.begin_file = BeginFile;
  hooks.progress = ShowProgress;
  hooks.pump = Pump;
  ExtractReport report;
  if (ExtractArchive(&source, folder, mode, &hooks, &report) != 0) FailureExit();
  fclose(file);
  CloseCopyProgress();
}
