// The one directory search and the wildcard deletion built on it.
#include <windows.h>

#include <cctype>
#include <cstring>

#include "shell/cp932.h"
#include "shell/services.h"

namespace {

// Pending states of the search.
constexpr int kSearchEnded = -1;
constexpr int kFetchNext = 0;
constexpr int kFirstEntryWaiting = 1;

struct FileSearch {
  HANDLE handle = INVALID_HANDLE_VALUE;
  int pending = kSearchEnded;
  WIN32_FIND_DATAA entry;
  char pattern[kPathSize];
  char result[kPathSize];
};
FileSearch g_search;

void CloseSearch() {
  if (g_search.handle != INVALID_HANDLE_VALUE) FindClose(g_search.handle);
  g_search.handle = INVALID_HANDLE_VALUE;
  g_search.pending = kSearchEnded;
}

// Length of the drive and folder part of the pattern: up to its last separator, or a drive
// letter with its colon, or nothing.
size_t FolderPartLength(const char* pattern) {
  const char* backslash = FindLastCharMb(pattern, '\\');
  const char* slash = FindLastCharMb(pattern, '/');
  const char* last = backslash;
  if (slash && (!last || slash > last)) last = slash;
  if (last) return static_cast<size_t>(last - pattern) + 1;
  if (isalpha(static_cast<unsigned char>(pattern[0])) && pattern[1] == ':') return 2;
  return 0;
}

// Fetches the next plain file's entry; false at the end of the search.
bool FetchNextFile() {
  for (;;) {
    if (g_search.pending == kFirstEntryWaiting) {
      g_search.pending = kFetchNext;
    } else if (!FindNextFileA(g_search.handle, &g_search.entry)) {
      CloseSearch();
      return false;
    }
    if (!(g_search.entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  }
}

}  // namespace

int BeginFileSearch(const char* pattern) {
  CloseSearch();
  // A pattern that does not fit is refused rather than searched cut short.
  if (!CopyText(g_search.pattern, sizeof g_search.pattern, pattern)) {
    g_search.pattern[0] = '\0';
    return 1;
  }
  g_search.handle = FindFirstFileA(g_search.pattern, &g_search.entry);
  if (g_search.handle == INVALID_HANDLE_VALUE) return 1;
  g_search.pending = kFirstEntryWaiting;
  return 0;
}

const char* NextFoundFile() {
  if (g_search.handle == INVALID_HANDLE_VALUE || g_search.pending == kSearchEnded) return nullptr;
  size_t folder_length = FolderPartLength(g_search.pattern);
  while (FetchNextFile()) {
    size_t name_length = strnlen(g_search.entry.cFileName, sizeof g_search.entry.cFileName);
    // A path that would not fit is skipped: a cut path could name a different file.
    if (folder_length + name_length >= sizeof g_search.result) continue;
    memcpy(g_search.result, g_search.pattern, folder_length);
    memcpy(g_search.result + folder_length, g_search.entry.cFileName, name_length);
    g_search.result[folder_length + name_length] = '\0';
    return g_search.result;
  }
  return nullptr;
}

void DeleteMatchingFiles(const char* folder, const char* pattern) {
  char saved[kPathSize];
  DWORD length = GetCurrentDirectoryA(sizeof saved, saved);
  // Without a way back, or without the folder, nothing is deleted: the search would
  // otherwise run in whatever folder happens to be current.
  if (length == 0 || length >= sizeof saved) return;
  if (!SetCurrentDirectoryA(folder)) return;
  if (BeginFileSearch(pattern) == 0) {
    while (const char* path = NextFoundFile()) DeleteFileA(path);
  }
  SetCurrentDirectoryA(saved);
}
