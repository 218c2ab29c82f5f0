// Stand-ins for Ffopen and AllocOrWarn: plain file opening and heap allocation, counted, with a
// switch to refuse one allocation. A missing file gives null instead of the Retry/Cancel notice.
#include "stand_ins.h"

#include <cstdio>
#include <cstdlib>

#include "shell/services.h"

int g_ffopen_calls = 0;
int g_alloc_calls = 0;
int g_fail_alloc_at = 0;
int g_alloc_notices = 0;

void ResetStandIns() {
  g_ffopen_calls = 0;
  g_alloc_calls = 0;
  g_fail_alloc_at = 0;
  g_alloc_notices = 0;
}

FILE* Ffopen(const char* path, const char* mode) {
  ++g_ffopen_calls;
  return fopen(path, mode);
}

void* AllocOrWarn(size_t size) {
  ++g_alloc_calls;
  if (g_alloc_calls == g_fail_alloc_at || size > size_t(-1) - 32) {
    ++g_alloc_notices;
    return nullptr;
  }
  void* block = malloc(size + 32);
  if (block == nullptr) ++g_alloc_notices;
  return block;
}
