// Helpers of the payload tests: in-memory archives and recording extraction hooks.
#include "archive_fixture.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "payload/archive.h"

namespace fixture {
namespace {

Target* Of(void* context) { return static_cast<Target*>(context); }

void* Alloc(void* context, size_t size) { return Of(context)->no_memory ? nullptr : malloc(size); }
void Release(void*, void* block) { free(block); }

void* Open(void* context, const char* path) {
  Of(context)->opened.push_back(path);
  return fopen(Of(context)->Local(path).c_str(), "wb");
}

size_t Write(void* context, void* file, const void* data, size_t size) {
  Target* target = Of(context);
  size_t take = size;
  if (target->write_budget >= 0) {
    take = std::min(size, static_cast<size_t>(target->write_budget));
    target->write_budget -= static_cast<long>(take);
  }
  return fwrite(data, 1, take, static_cast<FILE*>(file));
}

int Close(void*, void* file) { return fclose(static_cast<FILE*>(file)) == 0 ? 0 : -1; }
void Remove(void* context, const char* path) { remove(Of(context)->Local(path).c_str()); }
void SetTime(void* context, const char* path, uint64_t filetime) {
  Of(context)->times.emplace_back(path, filetime);
}
int Replace(void* context, const char* temporary, const char* target) {
  return rename(Of(context)->Local(temporary).c_str(), Of(context)->Local(target).c_str()) == 0 ? 0 : -1;
}
void MakeFolder(void* context, const char* path) {
  Of(context)->folders.push_back(path);
  mkdir(Of(context)->Local(path).c_str(), 0777);
}
void Begin(void* context, const char* path, int32_t size) { Of(context)->begun.emplace_back(path, size); }
void Progress(void* context, uint32_t file_units, uint32_t overall_units) {
  Of(context)->progress.emplace_back(file_units, overall_units);
}
void Pump(void* context) { ++Of(context)->pumps; }

void RemoveTree(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    for (const std::string& name : List(path)) RemoveTree(path + "/" + name);
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

}  // namespace

std::string BuildArchive(const std::function<void(ArchiveWriter*)>& fill, bool finish, int level) {
  FILE* file = tmpfile();
  ArchiveWriter writer;
  if (BeginArchive(&writer, file, level) != 0) abort();
  fill(&writer);
  if (finish ? FinishArchive(&writer) : WriteTrailerOnly(&writer)) abort();
  // The reader sees the archive up to the trailer, never the trailer itself.
  std::string bytes(static_cast<size_t>(ftell(file)) - kTrailerSize, '\0');
  rewind(file);
  if (fread(&bytes[0], 1, bytes.size(), file) != bytes.size()) abort();
  fclose(file);
  return bytes;
}

std::string ZlibStream(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), 6);
  out.resize(size);
  return out;
}

std::string BadAdlerStream(const std::string& data) {
  std::string out = ZlibStream(data);
  out.back() = static_cast<char>(out.back() ^ 0x5A);
  return out;
}

std::string Header(const std::string& name_with_nul, int32_t file_size, int32_t stored_size) {
  unsigned char field[10];
  PutU16(field, static_cast<uint16_t>(name_with_nul.size()));
  std::string out(reinterpret_cast<char*>(field), 2);
  out += name_with_nul;
  PutU32(field, static_cast<uint32_t>(file_size));
  PutU32(field + 4, static_cast<uint32_t>(stored_size));
  out.append(reinterpret_cast<char*>(field), 8);
  return out;
}

Target::Target() {
  char pattern[] = "/tmp/zolmir-payload.XXXXXX";
  root = mkdtemp(pattern);
  hooks = ExtractHooks{this, Alloc, Release, Open, Write, Close, Remove, SetTime, Replace,
                       MakeFolder, Begin, Progress, Pump};
}

Target::~Target() { RemoveTree(root); }

std::string Target::Local(const std::string& archive_path) const {
  std::string local = archive_path;
  std::replace(local.begin(), local.end(), '\\', '/');
  return local;
}

std::string ReadFile(const std::string& path) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return "<missing>";
  std::string bytes;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  fclose(file);
  return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) abort();
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> List(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (struct dirent* entry = readdir(dir)) {
      if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace fixture
