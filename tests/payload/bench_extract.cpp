// Extraction benchmark: the full walk against a bare 128 KiB inflate-and-write loop over the same
// archive, peak memory for a small and a large payload, and the bytes start-up reads.
// Usage: bench_extract [--large]  (--large adds the 1 GB payload)
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "payload/archive.h"
#include "payload/archive_writer.h"
#include "payload/extract_core.h"

namespace {

constexpr int kBenchLevel = 1;  // packing speed matters here, not size
constexpr uint64_t kStamp = 0x01C417E0DBBE2000ull;

struct FileSource {
  FILE* file;
  uint64_t read;
};
size_t ReadFile(void* c, void* b, size_t n) {
  FileSource* s = static_cast<FileSource*>(c);
  size_t got = fread(b, 1, n, s->file);
  s->read += got;
  return got;
}
void SkipFile(void* c, uint64_t n) { fseeko(static_cast<FileSource*>(c)->file, static_cast<off_t>(n), SEEK_CUR); }

std::string Local(const char* path) {
  std::string p = path;
  for (char& ch : p) if (ch == '\\') ch = '/';
  return p;
}
void* Alloc(void*, size_t n) { return malloc(n); }
void Release(void*, void* b) { free(b); }
void* Open(void*, const char* p) { return fopen(Local(p).c_str(), "wb"); }
size_t Write(void*, void* f, const void* d, size_t n) { return fwrite(d, 1, n, static_cast<FILE*>(f)); }
int Close(void*, void* f) { return fclose(static_cast<FILE*>(f)) == 0 ? 0 : -1; }
void Remove(void*, const char* p) { remove(Local(p).c_str()); }
void SetTime(void*, const char*, uint64_t) {}
int Replace(void*, const char* t, const char* p) { return rename(Local(t).c_str(), Local(p).c_str()); }
void MakeFolder(void*, const char* p) { mkdir(Local(p).c_str(), 0777); }
const ExtractHooks kHooks{nullptr, Alloc, Release, Open, Write, Close, Remove, SetTime, Replace,
                          MakeFolder, nullptr, nullptr, nullptr};

// Mixed files: text-like, random and zero runs, of many sizes, in two folders.
void MakeArchive(const std::string& path, uint64_t total) {
  FILE* out = fopen(path.c_str(), "wb");
  ArchiveWriter w;
  BeginArchive(&w, out, kBenchLevel);
  AddFileEntry(&w, "install.env", "TITLE demo\n", 11, kStamp);
  AddFileEntry(&w, "readme.txt", "readme\n", 7, kStamp);
  AddFolderEntry(&w, "data\\");
  AddFolderEntry(&w, "data\\bgm\\");
  std::vector<char> data;
  uint32_t x = 1;
  uint64_t written = 0;
  for (int i = 0; written < total; ++i) {
    size_t size = (i % 5 == 0) ? (32u << 20) : (size_t(1) << (12 + i % 9)) + i;
    if (written + size > total) size = total - written;
    data.resize(size);
    for (size_t k = 0; k < size; ++k) {
      x = x * 1664525u + 1013904223u;
      int kind = (k >> 16) % 3;
      data[k] = kind == 0 ? char(x >> 24) : kind == 1 ? char('a' + (k * 7 + (x >> 29)) % 26) : 0;
    }
    char name[64];
    snprintf(name, sizeof name, "%s%05d.bin", i % 2 ? "data\\" : "data\\bgm\\", i);
    FILE* in = tmpfile();
    fwrite(data.data(), 1, size, in);
    rewind(in);
    if (AddFileEntryFromStream(&w, name, in, size, kStamp) != 0) { fprintf(stderr, "%s\n", w.error); exit(1); }
    fclose(in);
    written += size;
  }
  FinishArchive(&w);
  fclose(out);
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double RunWalk(const std::string& archive, const std::string& folder, ExtractMode mode, uint64_t* read) {
  FileSource s{fopen(archive.c_str(), "rb"), 0};
  ArchiveSource source{&s, ReadFile, SkipFile};
  ExtractReport report;
  auto start = std::chrono::steady_clock::now();
  if (ExtractArchive(&source, folder.c_str(), mode, &kHooks, &report) != 0) {
    fprintf(stderr, "walk failed: %s %s\n", report.entry, DescribeExtractStatus(report.status));
    exit(1);
  }
  double t = Seconds(start);
  fclose(s.file);
  if (read) *read = s.read;
  return t;
}

// The bare loop: headers by hand, every stream inflated in 128 KiB blocks into one file.
double RunBare(const std::string& archive, const std::string& target) {
  auto start = std::chrono::steady_clock::now();
  FILE* in = fopen(archive.c_str(), "rb");
  std::vector<unsigned char> ib(kBlockSize), ob(kBlockSize);
  unsigned char field[16];
  for (;;) {
    if (fread(field, 1, 2, in) != 2) break;
    uint16_t n = GetU16(field);
    if (n == 0) break;
    char name[300];
    fread(name, 1, n, in);
    fread(field, 1, 8, in);
    int32_t fsize = int32_t(GetU32(field)), stored = int32_t(GetU32(field + 4));
    if (fsize == -1) continue;
    fread(field, 1, 8, in);
    FILE* out = fopen(target.c_str(), "wb");
    z_stream z;
    memset(&z, 0, sizeof z);
    inflateInit(&z);
    uint64_t left = uint64_t(stored);
    int r = Z_OK;
    while (r != Z_STREAM_END) {
      if (z.avail_in == 0) {
        size_t c = left < kBlockSize ? size_t(left) : kBlockSize;
        left -= c;
        z.next_in = ib.data();
        z.avail_in = uInt(fread(ib.data(), 1, c, in));
      }
      z.next_out = ob.data();
      z.avail_out = kBlockSize;
      r = inflate(&z, Z_NO_FLUSH);
      if (r != Z_OK && r != Z_STREAM_END) { fprintf(stderr, "bare loop: damaged\n"); exit(1); }
      fwrite(ob.data(), 1, kBlockSize - z.avail_out, out);
    }
    inflateEnd(&z);
    fclose(out);
  }
  fclose(in);
  return Seconds(start);
}

// Peak resident memory of a child process that extracts the archive.
// The child is a fresh copy of this program, so none of the parent's memory is counted.
const char* g_self;
long PeakKib(const std::string& archive, const std::string& folder) {
  pid_t pid = fork();
  if (pid == 0) {
    execl(g_self, g_self, "--walk", archive.c_str(), folder.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status;
  struct rusage usage;
  wait4(pid, &status, 0, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  g_self = argv[0];
  if (argc == 4 && strcmp(argv[1], "--walk") == 0) {
    RunWalk(argv[2], argv[3], ExtractMode::Full, nullptr);
    return 0;
  }
  bool large = argc > 1 && strcmp(argv[1], "--large") == 0;
  char pattern[] = "/tmp/zolmir-bench.XXXXXX";
  std::string dir = mkdtemp(pattern);
  std::string out = dir + "/out";
  mkdir(out.c_str(), 0777);
  std::string mixed = dir + "/mixed.arc";
  MakeArchive(mixed, 200u << 20);
  double walk = 1e9, bare = 1e9;
  for (int round = 0; round < 3; ++round) {
    bare = std::min(bare, RunBare(mixed, dir + "/bare.bin"));
    walk = std::min(walk, RunWalk(mixed, out, ExtractMode::Full, nullptr));
  }
  printf("200 MB mixed: extraction %.3f s, bare loop %.3f s, ratio %.3f (goal <= 1.10)\n", walk, bare, walk / bare);
  std::string small = dir + "/small.arc";
  MakeArchive(small, 20u << 20);
  printf("peak RSS, 20 MB payload: %ld KiB\n", PeakKib(small, out));
  if (large) {
    std::string big = dir + "/large.arc";
    MakeArchive(big, 1024ull << 20);
    printf("peak RSS, 1 GB payload: %ld KiB\n", PeakKib(big, out));
    uint64_t read = 0;
    mkdir((dir + "/work").c_str(), 0777);
    RunWalk(big, dir + "/work", ExtractMode::ConfigOnly, &read);
    printf("start-up (ConfigOnly) on the 1 GB payload read %llu bytes\n", (unsigned long long)read);
    remove(big.c_str());
  }
  system(("rm -rf " + dir).c_str());
  return 0;
}
