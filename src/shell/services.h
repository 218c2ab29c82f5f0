// Common services every part of the updater calls: notices, file access, deletion, launching, memory.
// Declared without <windows.h> so that portable code (the settings readers) can use them; the
// updater implements them in services.cpp, host tests link their own stand-ins.
#pragma once
#include <cstddef>
#include <cstdio>

#define ZOLMIR_PRINTF(f, a) __attribute__((format(printf, f, a)))

// Error notice with Retry and Cancel; returns on Retry, Cancel ends the process with -1.
void ErrorBoxRetry(const char* format, ...) ZOLMIR_PRINTF(1, 2);
// Error notice with OK; always returns.
void ErrorBox(const char* format, ...) ZOLMIR_PRINTF(1, 2);
// Yes/No question: 1 for Yes, 0 otherwise.
int AskBox(const char* format, ...) ZOLMIR_PRINTF(1, 2);
// Replaces the clipboard with `text` as CF_TEXT: 0, or -1 when no memory block could be had.
int CopyTextToClipboard(const char* text);

// Opens a buffered stream, asking Retry/Cancel until it opens; never null.
FILE* Ffopen(const char* path, const char* mode);
// 1 when the file can be opened for reading (sound files behind a backslash never count), else 0.
int FileExists(const char* path);

// Deletes every plain file matching `pattern` relative to `folder`; nothing when the folder
// cannot be entered. The current directory is the same afterwards.
void DeleteMatchingFiles(const char* folder, const char* pattern);
// The one directory search: 0 when an entry exists, 1 when nothing matches.
int BeginFileSearch(const char* pattern);
// Path of the next matching plain file, or null at the end of the search.
const char* NextFoundFile();

// Dispatches every queued message without waiting; WM_QUIT ends the process with its wParam.
int PumpMessages();

// Shell "open" on a document; failures are not reported.
void OpenDocument(const char* path);
// Starts the program at `path` (quoted, no arguments) without waiting: non-zero when started.
int RunProgram(const char* path);

// `size` + 32 bytes from the heap (release with free), or null after an out-of-memory box.
void* AllocOrWarn(size_t size);
