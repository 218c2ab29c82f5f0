// Canonical local form of a manually chosen install folder: pure steps over a 260-byte buffer.
#include "update/install_path.h"

#include <climits>
#include <cstring>

#include "shell/cp932.h"

namespace {

// Room for a path and a setting joined together, as the Windows side's work buffer has.
constexpr size_t kWorkSize = 520;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool HasText(const char* text) { return text != nullptr && text[0] != '\0'; }

// Copies `work` back over `path` only when it fits whole, so a refusal never leaves a cut path.
bool StoreIfFits(char* path, size_t size, const char* work) {
  if (strlen(work) >= size) return false;
  CopyText(path, size, work);
  return true;
}

}  // namespace

int ReadDecimalInt(const char* text) {
  const char* p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  // Accumulate towards the sign's side so that INT_MIN itself is reachable.
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool BuildProposedInstallPath(char* path, size_t size, const InstallPathContext& context) {
  char work[kWorkSize] = "";
  const char* windows = context.windows_directory ? context.windows_directory : "";
  CopyText(work, sizeof work, windows);
  char* separator = FindCharMb(work, '\\');
  if (separator) {
    separator[1] = '\0';
  } else {
    work[0] = '\0';
  }
  bool fitted = AppendText(work, sizeof work, "Program Files\\");
  if (HasText(context.instfol)) {
    fitted = fitted && AppendText(work, sizeof work, context.instfol) &&
             AppendText(work, sizeof work, "\\");
  }
  fitted = fitted && AppendText(work, sizeof work, context.instto ? context.instto : "");
  if (fitted && StoreIfFits(path, size, work)) return true;
  if (size > 0) path[0] = '\0';
  return false;
}

void ReplaceSlashes(char* path) {
  for (char* p = path; *p; ++p) {
    if (*p == '/') {
      *p = '\\';
    } else if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
      ++p;
    }
  }
}

bool IsNetworkPath(const char* path) {
  // A byte-wise search may land on the trail byte of a character such as ソ (83 5C) followed
  // by a separator; the lead byte before it tells that case apart.
  const char* pair = strstr(path, "\\\\");
  if (!pair) return false;
  return pair == path || !IsLeadByte(static_cast<unsigned char>(pair[-1]));
}

bool AppendGameFolder(char* path, size_t size, const InstallPathContext& context) {
  const char* instto = context.instto ? context.instto : "";
  if (context.instmakefol == 0 || strstr(path, instto) != nullptr) return true;
  char work[kWorkSize];
  if (!CopyText(work, sizeof work, path)) return false;
  bool fitted = AppendText(work, sizeof work, "\\");
  if (HasText(context.instfol)) {
    fitted = fitted && AppendText(work, sizeof work, context.instfol) &&
             AppendText(work, sizeof work, "\\");
  }
  fitted = fitted && AppendText(work, sizeof work, instto);
  return fitted && StoreIfFits(path, size, work);
}

bool AddDriveOfWindows(char* path, size_t size, const char* windows_directory) {
  if (FindCharMb(path, ':')) return true;
  char work[kWorkSize];
  CopyText(work, sizeof work, windows_directory ? windows_directory : "");
  char* colon = FindCharMb(work, ':');
  if (!colon) return true;
  colon[1] = '\0';
  return AppendText(work, sizeof work, path) && StoreIfFits(path, size, work);
}

bool AddSeparatorAfterDrive(char* path, size_t size) {
  char* colon = FindCharMb(path, ':');
  if (!colon || colon[1] == '\\') return true;
  char work[kWorkSize];
  size_t head = static_cast<size_t>(colon - path) + 1;
  if (head + 1 >= sizeof work) return false;
  memcpy(work, path, head);
  work[head] = '\\';
  work[head + 1] = '\0';
  return AppendText(work, sizeof work, colon + 1) && StoreIfFits(path, size, work);
}

bool IsDriveRoot(const char* path) {
  size_t n = strlen(path);
  if (n == 0 || path[n - 1] != '\\') return false;
  return n < 2 || !IsLeadByte(static_cast<unsigned char>(path[n - 2]));
}

InstallPathResult NormaliseInstallPath(char* path, size_t size, const InstallPathContext& context) {
  if (size == 0) return InstallPathResult::TooLong;
  path[size - 1] = '\0';
  ReplaceSlashes(path);
  if (IsNetworkPath(path)) return InstallPathResult::NetworkPath;
  StripTrailingBackslash(path);
  if (!AppendGameFolder(path, size, context)) return InstallPathResult::TooLong;
  if (!AddDriveOfWindows(path, size, context.windows_directory)) return InstallPathResult::TooLong;
  if (!AddSeparatorAfterDrive(path, size)) return InstallPathResult::TooLong;
  if (IsDriveRoot(path)) return InstallPathResult::DriveRoot;
  return InstallPathResult::Ok;
}
