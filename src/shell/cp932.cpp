// Byte-string helpers for code page 932 text, shared by the updater and the makers' tool.
#include "shell/cp932.h"

#include <cstdio>
#include <cstring>

namespace {

// Bit 0 marks the Shift_JIS lead bytes 0x81-0x9F and 0xE0-0xFC.
struct LeadByteTable {
  unsigned char bits[256];
  constexpr LeadByteTable() : bits() {
    for (int b = 0x81; b <= 0x9F; ++b) bits[b] = 1;
    for (int b = 0xE0; b <= 0xFC; ++b) bits[b] = 1;
  }
};
constexpr LeadByteTable kLeadBytes;

// True when the byte before the last one of a text of `length` bytes is a lead byte.
bool LeadByteBeforeLast(const char* text, size_t length) {
  return length >= 2 && IsLeadByte(static_cast<unsigned char>(text[length - 2]));
}

}  // namespace

int IsLeadByte(int byte) { return kLeadBytes.bits[byte & 0xFF] & 1; }

char* StripTrailingBackslash(char* path) {
  size_t n = strlen(path);
  if (n >= 1 && path[n - 1] == '\\' && !LeadByteBeforeLast(path, n)) path[n - 1] = '\0';
  return path;
}

char* AppendBackslash(char* path) {
  size_t n = strlen(path);
  if (n >= 1 && path[n - 1] == '\\' && !LeadByteBeforeLast(path, n)) return path;
  path[n] = '\\';
  path[n + 1] = '\0';
  return path;
}

char* AppendBackslashBounded(char* path, size_t size) {
  size_t n = strnlen(path, size);
  if (n >= size) return nullptr;
  if (n >= 1 && path[n - 1] == '\\' && !LeadByteBeforeLast(path, n)) return path;
  if (n + 2 > size) return nullptr;
  return AppendBackslash(path);
}

char* FindCharMb(const char* text, int c) {
  for (const char* p = text; *p; ++p) {
    if (*p == c) return const_cast<char*>(p);
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) ++p;
  }
  return nullptr;
}

char* FindLastCharMb(const char* text, int c) {
  const char* last = nullptr;
  for (const char* p = text; *p; ++p) {
    if (*p == c) last = p;
    else if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) ++p;
  }
  return const_cast<char*>(last);
}

char* FindTextMb(const char* text, const char* pattern) {
  size_t n = strlen(pattern);
  for (const char* p = text;; ++p) {
    if (strncmp(p, pattern, n) == 0) return const_cast<char*>(p);
    if (!*p) return nullptr;
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) ++p;
  }
}

char* LowerMb(char* text) {
  for (char* p = text; *p; ++p) {
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
      ++p;
    } else if (*p >= 'A' && *p <= 'Z') {
      *p = static_cast<char>(*p - 'A' + 'a');
    }
  }
  return text;
}

int CopyText(char* buffer, size_t size, const char* source) {
  if (size == 0) return 0;
  size_t n = strlen(source);
  size_t take = n < size ? n : size - 1;
  memmove(buffer, source, take);
  buffer[take] = '\0';
  return take == n;
}

int AppendText(char* buffer, size_t size, const char* source) {
  size_t have = strnlen(buffer, size);
  size_t add = strlen(source);
  if (have >= size || add >= size - have) return 0;
  memmove(buffer + have, source, add + 1);
  return 1;
}

int FormatTextV(char* buffer, size_t size, const char* format, va_list args) {
  if (size == 0) return 0;
  int n = vsnprintf(buffer, size, format, args);
  buffer[size - 1] = '\0';
  return n >= 0 && static_cast<size_t>(n) < size;
}

int FormatText(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int fitted = FormatTextV(buffer, size, format, args);
  va_end(args);
  return fitted;
}
