// Host stand-ins for the updater's services that the settings readers call: files, notices, memory.
#include "fake_services.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "shell/cp932.h"
#include "shell/services.h"

namespace {

NoticeAnswer g_answer = NoticeAnswer::Retry;
std::string g_notices;

constexpr int kCancelExitCode = -1;

}  // namespace

void SetNoticeAnswer(NoticeAnswer answer) { g_answer = answer; }
const std::string& ShownNotices() { return g_notices; }
void ClearShownNotices() { g_notices.clear(); }

void ErrorBoxRetry(const char* format, ...) {
  char text[kNoticeSize];
  va_list args;
  va_start(args, format);
  FormatTextV(text, sizeof text, format, args);
  va_end(args);
  g_notices += text;
  g_notices += '\n';
  fprintf(stderr, "NOTICE[%s]\n", text);
  fflush(stderr);
  if (g_answer == NoticeAnswer::Cancel) exit(kCancelExitCode);
}

FILE* Ffopen(const char* path, const char* mode) { return fopen(path, mode); }

void* AllocOrWarn(size_t size) { return malloc(size + 32); }
