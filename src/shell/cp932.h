// Byte-string helpers for code page 932 text: lead bytes, separator-aware searches, bounded copies.
#pragma once
#include <cstdarg>
#include <cstddef>

// Buffer sizes used across the updater; every size counts the terminating NUL.
constexpr size_t kPathSize = 260;
constexpr size_t kValueSize = 128;
constexpr size_t kLineSize = 512;
constexpr size_t kNoticeSize = 1024;

// 1 when the low 8 bits of `byte` are a Shift_JIS lead byte (0x81-0x9F, 0xE0-0xFC), else 0.
// The table is fixed and does not follow the system's code page.
int IsLeadByte(int byte);

// Removes one trailing backslash in place unless it is the trail byte of a double-byte
// character. A missing byte before the last counts as not a lead byte.
char* StripTrailingBackslash(char* path);

// Appends a backslash in place unless the path already ends in a separator. The caller's
// buffer must have room for one more byte; AppendBackslashBounded refuses (returns null)
// when `size` leaves no room.
char* AppendBackslash(char* path);
char* AppendBackslashBounded(char* path, size_t size);

// First / last occurrence of the single-byte character `c` that is not the trail byte of a
// double-byte character, or null. `c` must be below 0x80.
char* FindCharMb(const char* text, int c);
char* FindLastCharMb(const char* text, int c);

// First occurrence of `pattern` in `text` that begins on a character boundary, or null.
char* FindTextMb(const char* text, const char* pattern);

// Lower-cases ASCII letters in place, leaving both bytes of double-byte characters alone.
char* LowerMb(char* text);

// Copies `source` into `buffer` of `size` bytes, cut to size - 1 bytes and always ending in
// NUL. Returns 1 when the whole text fitted, 0 when it was cut.
int CopyText(char* buffer, size_t size, const char* source);

// Appends `source` to the text in `buffer`. Returns 1 when it fitted; 0 when it would not,
// and the buffer is then left as it was.
int AppendText(char* buffer, size_t size, const char* source);

// printf into `buffer` of `size` bytes, cut if needed, always NUL-terminated. Returns 1 when
// the whole text fitted, 0 when it was cut.
int FormatText(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int FormatTextV(char* buffer, size_t size, const char* format, va_list args);
