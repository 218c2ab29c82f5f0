// Fuzz target: the entry reader and the whole extraction walk over arbitrary archive bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "payload/archive.h"
#include "payload/extract_core.h"

namespace {

int g_sink;
void* Alloc(void*, size_t size) { return malloc(size); }
void Release(void*, void* block) { free(block); }
void* Open(void*, const char* path) { return strlen(path) < kPathSize ? &g_sink : nullptr; }
size_t Write(void*, void*, const void*, size_t size) { return size; }
int Close(void*, void*) { return 0; }
void Remove(void*, const char*) {}
void SetTime(void*, const char*, uint64_t) {}
int Replace(void*, const char*, const char*) { return 0; }
void MakeFolder(void*, const char* path) { g_sink += static_cast<int>(strlen(path)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ExtractHooks hooks{nullptr, Alloc, Release, Open, Write, Close, Remove, SetTime, Replace,
                     MakeFolder, nullptr, nullptr, nullptr};
  const ExtractMode modes[] = {ExtractMode::Full, ExtractMode::ConfigOnly};
  for (ExtractMode mode : modes) {
    MemorySource memory;
    ArchiveSource source = MakeMemorySource(&memory, data, size);
    ExtractReport report;
    ExtractArchive(&source, "C:\\Game", mode, &hooks, &report);
    if (memory.position > size) abort();
  }
  return 0;
}
