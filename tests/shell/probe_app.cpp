// A stand-in for the programs the updater starts: it writes how it was started (its command
// line and its current directory, one per line) into started.txt beside itself, and ends.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char record[MAX_PATH + 16];
  DWORD length = GetModuleFileNameA(nullptr, record, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  char* name = std::strrchr(record, '\\');
  if (name == nullptr) return 2;
  std::snprintf(name + 1, sizeof record - static_cast<size_t>(name + 1 - record), "started.txt");

  char folder[MAX_PATH];
  DWORD folder_length = GetCurrentDirectoryA(sizeof folder, folder);
  if (folder_length == 0 || folder_length >= sizeof folder) return 2;

  FILE* out = std::fopen(record, "wb");
  if (out == nullptr) return 2;
  std::fprintf(out, "%s\n%s\n", GetCommandLineA(), folder);
  return std::fclose(out) == 0 ? 0 : 2;
}
