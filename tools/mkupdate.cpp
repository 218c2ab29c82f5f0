// mkupdate: the makers' tool that packs, lists, verifies and extracts updaters.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include "payload/archive.h"
#include "payload/archive_writer.h"
#include "payload/extract_core.h"
#include "picture.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;
constexpr char kPartSuffix[] = ".part";
constexpr uint64_t kUnixEpochAsFiletime = 116444736000000000ULL;
constexpr uint64_t kFiletimeTicksPerSecond = 10000000ULL;
constexpr time_t kQuietProgressSeconds = 5;  // without a terminal, progress only for long packs
constexpr int kProgressStepPercent = 10;

void PrintUsage(FILE* to) {
  fprintf(to,
          "usage:\n"
          "  mkupdate pack --stub Updata.exe --out Game_Update.exe [--level N] DIR\n"
          "      packs every file and folder of DIR into a complete updater\n"
          "  mkupdate list X.exe         shows the entries of an updater's payload\n"
          "  mkupdate verify X.exe       inflates every entry and checks sizes and check values\n"
          "  mkupdate extract X.exe DIR  unpacks the payload into DIR\n"
          "  mkupdate picture IN OUT     converts PNG/BMP to RCT or RCT to PNG\n"
          "\n"
          "Compression: %s, levels 1 to %d (default %d).%s\n",
          GetCompressorName(), GetMaxCompressionLevel(), GetMaxCompressionLevel(),
          GetMaxCompressionLevel() > 9 ? ""
                                       : " This build has no libdeflate and writes zlib level 9 at most.");
}

int Fail(const char* format, const char* a, const char* b = "") {
  fputs("mkupdate: ", stderr);
  fprintf(stderr, format, a, b);
  fputc('\n', stderr);
  return kExitFailure;
}

// ---- names: cp932 inside the archive, the local encoding on the maker's machine ----

#ifdef _WIN32
bool LocalToCp932(const std::string& local, std::string* cp932) {
  *cp932 = local;
  return true;
}
std::string Cp932ToLocal(const std::string& cp932) { return cp932; }
#else
bool Convert(const char* to, const char* from, const std::string& text, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::vector<char> buffer(text.size() * 4 + 16);
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  char* dst = buffer.data();
  size_t out_left = buffer.size();
  size_t r = iconv(cd, &in, &in_left, &dst, &out_left);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || in_left != 0) return false;
  out->assign(buffer.data(), static_cast<size_t>(dst - buffer.data()));
  return true;
}
bool LocalToCp932(const std::string& local, std::string* cp932) {
  return Convert("CP932", "UTF-8", local, cp932);
}
std::string Cp932ToLocal(const std::string& cp932) {
  std::string local;
  return Convert("UTF-8", "CP932", cp932, &local) ? local : cp932;
}
#endif

// An archive name (cp932, backslashes) as a path below `root` on this machine.
bool ArchiveToLocalPath(const std::string& root, const char* name, std::string* path) {
  std::string cp932;
  for (const char* p = name; *p; ++p) {
    unsigned char byte = static_cast<unsigned char>(*p);
    if (IsLeadByte(byte) && p[1]) {
      cp932 += *p++;
      cp932 += *p;
    } else {
#ifdef _WIN32
      cp932 += *p;
#else
      cp932 += *p == '\\' ? '/' : *p;
#endif
    }
  }
  std::string local;
#ifdef _WIN32
  local = cp932;
#else
  if (!Convert("UTF-8", "CP932", cp932, &local)) return false;
#endif
  *path = root + "/" + local;
  return true;
}

uint64_t UnixToFiletime(int64_t seconds, long nanoseconds) {
  int64_t ticks = seconds * static_cast<int64_t>(kFiletimeTicksPerSecond) + nanoseconds / 100 +
                  static_cast<int64_t>(kUnixEpochAsFiletime);
  return ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
}

// ---- reading an updater's payload ----

struct UpdaterFile {
  FILE* file;
  FileSource bounded;
  uint64_t end;
  uint32_t offset;
};

int64_t TellFile(FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return ftello(file);
#endif
}

bool OpenUpdater(const char* path, UpdaterFile* updater, ArchiveSource* source) {
  updater->file = fopen(path, "rb");
  if (!updater->file) return false;
  unsigned char trailer[kTrailerSize];
  if (SeekFile64(updater->file, -static_cast<int64_t>(kTrailerSize), SEEK_END) != 0 ||
      fread(trailer, 1, sizeof trailer, updater->file) != sizeof trailer) {
    fclose(updater->file);
    return false;
  }
  updater->end = static_cast<uint64_t>(TellFile(updater->file)) - kTrailerSize;
  updater->offset = GetU32(trailer);
  if (updater->offset > updater->end || SeekFile64(updater->file, updater->offset, SEEK_SET) != 0) {
    fclose(updater->file);
    return false;
  }
  *source = MakeFileSource(&updater->bounded, updater->file, updater->offset, updater->end);
  return true;
}

std::string FormatFiletime(uint64_t filetime) {
  char text[32] = "-";
  if (filetime >= kUnixEpochAsFiletime) {
    time_t seconds = static_cast<time_t>((filetime - kUnixEpochAsFiletime) / kFiletimeTicksPerSecond);
    struct tm* utc = gmtime(&seconds);
    if (utc) strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", utc);
  }
  return text;
}

int ListCommand(const char* path) {
  UpdaterFile updater;
  ArchiveSource source;
  if (!OpenUpdater(path, &updater, &source)) return Fail("%s: not an updater with a payload%s", path);
  printf("archive at offset %u, payload %llu bytes\n", updater.offset,
         static_cast<unsigned long long>(updater.end - updater.offset));
  EntryHeader header;
  int status = kExitFailure;
  for (;;) {
    HeaderResult result = ReadEntryHeader(&source, &header);
    if (result == HeaderResult::End) {
      status = 0;
      break;
    }
    if (result != HeaderResult::Entry) {
      Fail("%s: damaged entry header after the listed entries (%s)", path,
           result == HeaderResult::ShortRead ? "the archive ends early" : "bad name or sizes");
      break;
    }
    std::string name = Cp932ToLocal(header.name);
    if (header.file_size == kFolderFileSize) {
      printf("%12s %12s %19s  %s\n", "folder", "", "", name.c_str());
      continue;
    }
    unsigned char stamp[kTimeStampSize];
    if (source.read(source.context, stamp, sizeof stamp) != sizeof stamp) {
      Fail("%s: the archive ends in %s", path, name.c_str());
      break;
    }
    uint64_t filetime = GetU32(stamp) | (static_cast<uint64_t>(GetU32(stamp + 4)) << 32);
    printf("%12d %12d %19s  %s\n", header.file_size, header.stored_size,
           FormatFiletime(filetime).c_str(), name.c_str());
    source.skip(source.context, static_cast<uint64_t>(header.stored_size));
  }
  fclose(updater.file);
  return status;
}

// ---- extraction hooks for the maker's machine ----

struct LocalTarget {
  std::string root;   // the folder given on the command line; empty when only verifying
  bool discard;       // verify: inflate and check, write nothing
};

int g_discard_sink;

bool MapPath(void* context, const char* path, std::string* local) {
  LocalTarget* target = static_cast<LocalTarget*>(context);
  // The walk joins names to an empty folder, so every path starts with one backslash.
  return ArchiveToLocalPath(target->root, path[0] == '\\' ? path + 1 : path, local);
}

void* AllocBlock(void*, size_t size) { return malloc(size); }
void ReleaseBlock(void*, void* block) { free(block); }

void* OpenOutput(void* context, const char* path) {
  if (static_cast<LocalTarget*>(context)->discard) return &g_discard_sink;
  std::string local;
  if (!MapPath(context, path, &local)) return nullptr;
  return fopen(local.c_str(), "wb");
}

size_t WriteOutput(void* context, void* file, const void* data, size_t size) {
  if (static_cast<LocalTarget*>(context)->discard) return size;
  return fwrite(data, 1, size, static_cast<FILE*>(file));
}

int CloseOutput(void* context, void* file) {
  if (static_cast<LocalTarget*>(context)->discard) return 0;
  return fclose(static_cast<FILE*>(file)) == 0 ? 0 : -1;
}

void RemoveOutput(void* context, const char* path) {
  std::string local;
  if (!static_cast<LocalTarget*>(context)->discard && MapPath(context, path, &local)) {
    remove(local.c_str());
  }
}

void SetOutputTime(void* context, const char* path, uint64_t filetime) {
  std::string local;
  if (static_cast<LocalTarget*>(context)->discard || !MapPath(context, path, &local)) return;
#ifdef _WIN32
  HANDLE file = CreateFileA(local.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FILETIME time{static_cast<DWORD>(filetime), static_cast<DWORD>(filetime >> 32)};
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
#else
  int64_t ticks = static_cast<int64_t>(filetime) - static_cast<int64_t>(kUnixEpochAsFiletime);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(ticks / static_cast<int64_t>(kFiletimeTicksPerSecond));
  times[1].tv_nsec = static_cast<long>(ticks % static_cast<int64_t>(kFiletimeTicksPerSecond)) * 100;
  if (times[1].tv_nsec < 0) {
    times[1].tv_sec -= 1;
    times[1].tv_nsec += 1000000000L;
  }
  utimensat(AT_FDCWD, local.c_str(), times, 0);
#endif
}

int ReplaceOutput(void* context, const char* temporary, const char* target) {
  if (static_cast<LocalTarget*>(context)->discard) return 0;
  std::string from, to;
  if (!MapPath(context, temporary, &from) || !MapPath(context, target, &to)) return -1;
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : -1;
#else
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : -1;
#endif
}

void MakeFolder(void* context, const char* path) {
  std::string local;
  if (static_cast<LocalTarget*>(context)->discard || !MapPath(context, path, &local)) return;
#ifdef _WIN32
  CreateDirectoryA(local.c_str(), nullptr);
#else
  mkdir(local.c_str(), 0777);
#endif
}

int WalkCommand(const char* path, const char* root) {
  UpdaterFile updater;
  ArchiveSource source;
  if (!OpenUpdater(path, &updater, &source)) return Fail("%s: not an updater with a payload%s", path);
  LocalTarget target{root ? root : "", root == nullptr};
  if (root) {
#ifdef _WIN32
    CreateDirectoryA(root, nullptr);
#else
    mkdir(root, 0777);
#endif
  }
  ExtractHooks hooks{};
  hooks.context = &target;
  hooks.alloc = AllocBlock;
  hooks.release = ReleaseBlock;
  hooks.open_output = OpenOutput;
  hooks.write_output = WriteOutput;
  hooks.close_output = CloseOutput;
  hooks.remove_output = RemoveOutput;
  hooks.set_file_time = SetOutputTime;
  hooks.replace_file = ReplaceOutput;
  hooks.make_folder = MakeFolder;
  ExtractReport report;
  int result = ExtractArchive(&source, "", ExtractMode::Full, &hooks, &report);
  fclose(updater.file);
  if (result != 0) {
    std::string name = report.entry[0] ? Cp932ToLocal(report.entry) : std::string("(entry header)");
    fprintf(stderr, "mkupdate: %s: damaged entry %s: %s\n", path, name.c_str(),
            DescribeExtractStatus(report.status));
    return kExitFailure;
  }
  printf("%s: %u files and %u folders %s\n", path, report.files, report.folders,
         root ? "extracted" : "verified");
  return 0;
}

// ---- packing ----

struct PackEntry {
  std::string name;   // cp932, backslashes; folders end in a backslash
  std::string local;  // path on this machine
  bool folder;
  uint64_t size;
  uint64_t filetime;
};

bool StatPath(const std::string& path, bool* folder, uint64_t* size, uint64_t* filetime) {
#ifdef _WIN32
  struct __stat64 info;
  if (_stat64(path.c_str(), &info) != 0) return false;
  *filetime = UnixToFiletime(info.st_mtime, 0);
#else
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  *filetime = UnixToFiletime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) return false;
#endif
  *folder = (info.st_mode & S_IFMT) == S_IFDIR;
  *size = static_cast<uint64_t>(info.st_size);
  return true;
}

bool ListFolder(const std::string& path, std::vector<std::string>* names) {
#ifdef _WIN32
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0) names->push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
#else
  DIR* dir = opendir(path.c_str());
  if (!dir) return false;
  while (struct dirent* entry = readdir(dir)) {
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) names->push_back(entry->d_name);
  }
  closedir(dir);
#endif
  std::sort(names->begin(), names->end());
  return true;
}

// Collects the folder below `prefix` (cp932 name prefix, with its trailing backslash).
bool CollectFolder(const std::string& local, const std::string& prefix, std::vector<PackEntry>* entries) {
  std::vector<std::string> names;
  if (!ListFolder(local, &names)) {
    Fail("%s: cannot read the folder%s", local.c_str());
    return false;
  }
  for (const std::string& child : names) {
    PackEntry entry;
    entry.local = local + "/" + child;
    if (!StatPath(entry.local, &entry.folder, &entry.size, &entry.filetime)) {
      Fail("%s: cannot read it, or it is neither a file nor a folder%s", entry.local.c_str());
      return false;
    }
    std::string cp932;
    if (!LocalToCp932(child, &cp932)) {
      Fail("%s: the name cannot be written in code page 932%s", entry.local.c_str());
      return false;
    }
    entry.name = prefix + cp932 + (entry.folder ? "\\" : "");
    if (entry.name.size() + 1 > kMaxNameLength) {
      Fail("%s: the name in the archive would be longer than 259 bytes%s", entry.local.c_str());
      return false;
    }
    if (!IsSafeEntryName(entry.name.c_str(), entry.name.size() + 1, entry.folder)) {
      Fail("%s: the name cannot be used on Windows (colon, or only dots and spaces)%s", entry.local.c_str());
      return false;
    }
    entries->push_back(entry);
    if (entry.folder && !CollectFolder(entry.local, entry.name, entries)) return false;
  }
  return true;
}

bool IsTopLevel(const std::string& name) { return FindCharMb(name.c_str(), '\\') == nullptr; }

// Configuration files first, then every folder (each before the folders inside it), then the
// remaining files: start-up finds its files at once and stops at the first folder in a folder.
std::vector<PackEntry> OrderEntries(const std::vector<PackEntry>& collected) {
  std::vector<PackEntry> ordered;
  for (const PackEntry& e : collected) {
    if (!e.folder && IsTopLevel(e.name) && IsConfigName(e.name.c_str())) ordered.push_back(e);
  }
  for (const PackEntry& e : collected) {
    if (e.folder) ordered.push_back(e);
  }
  for (const PackEntry& e : collected) {
    if (!e.folder && !(IsTopLevel(e.name) && IsConfigName(e.name.c_str()))) ordered.push_back(e);
  }
  return ordered;
}

// Start-up passes over top-level folders and stops at the first folder inside a folder; a
// text file inside a folder met before that would make every start-up fail.
const PackEntry* FindStartupHazard(const std::vector<PackEntry>& ordered) {
  for (const PackEntry& e : ordered) {
    if (e.folder) {
      const char* separator = FindCharMb(e.name.c_str(), '\\');
      if (separator && separator[1] != '\0') return nullptr;
      continue;
    }
    if (!IsTopLevel(e.name) && IsConfigName(e.name.c_str())) return &e;
  }
  return nullptr;
}

struct PackProgress {
  uint64_t total;
  uint64_t done;
  int shown_percent;
  bool terminal;
  time_t started;
};

void ShowPackProgress(PackProgress* progress) {
  int percent = progress->total ? static_cast<int>(progress->done * 100 / progress->total) : 100;
  if (progress->terminal) {
    fprintf(stderr, "\rpacking %3d%% (%llu of %llu MB)", percent,
            static_cast<unsigned long long>(progress->done >> 20),
            static_cast<unsigned long long>(progress->total >> 20));
    fflush(stderr);
  } else if (time(nullptr) - progress->started >= kQuietProgressSeconds &&
             percent >= progress->shown_percent + kProgressStepPercent) {
    fprintf(stderr, "packing %d%%\n", percent);
    progress->shown_percent = percent;
  }
}

bool CopyStub(FILE* out, const char* stub_path) {
  FILE* stub = fopen(stub_path, "rb");
  if (!stub) return false;
  std::vector<unsigned char> buffer(1 << 16);
  bool ok = true;
  size_t got;
  while ((got = fread(buffer.data(), 1, buffer.size(), stub)) > 0) {
    if (fwrite(buffer.data(), 1, got, out) != got) ok = false;
  }
  if (ferror(stub)) ok = false;
  fclose(stub);
  return ok;
}

int WriteUpdater(const char* stub, const std::string& part, int level, const std::vector<PackEntry>& entries) {
  FILE* out = fopen(part.c_str(), "wb");
  if (!out) return Fail("%s: cannot create the output%s", part.c_str());
  if (!CopyStub(out, stub)) {
    fclose(out);
    return Fail("%s: cannot read the stub%s", stub);
  }
  ArchiveWriter writer;
  if (BeginArchive(&writer, out, level) != 0) {
    fclose(out);
    return Fail("%s%s", writer.error);
  }
  PackProgress progress{0, 0, 0, false, time(nullptr)};
#ifndef _WIN32
  progress.terminal = isatty(2) != 0;
#endif
  for (const PackEntry& e : entries) progress.total += e.size * !e.folder;
  for (const PackEntry& e : entries) {
    int result;
    if (e.folder) {
      result = AddFolderEntry(&writer, e.name.c_str());
    } else {
      FILE* in = fopen(e.local.c_str(), "rb");
      if (!in) {
        fclose(out);
        return Fail("%s: cannot open the file%s", e.local.c_str());
      }
      result = AddFileEntryFromStream(&writer, e.name.c_str(), in, e.size, e.filetime);
      fclose(in);
      progress.done += e.size;
      ShowPackProgress(&progress);
    }
    if (result != 0) {
      fclose(out);
      return Fail("%s (%s)", writer.error, e.local.c_str());
    }
  }
  if (progress.terminal) fputc('\n', stderr);
  if (FinishArchive(&writer) != 0) {
    fclose(out);
    return Fail("%s%s", writer.error);
  }
  if (fclose(out) != 0) return Fail("%s: cannot write the output%s", part.c_str());
  return 0;
}

int PackCommand(int argc, char** argv) {
  const char* stub = nullptr;
  const char* out = nullptr;
  const char* folder = nullptr;
  int level = GetMaxCompressionLevel();
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--stub") == 0 && i + 1 < argc) {
      stub = argv[++i];
    } else if (strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else if (strcmp(argv[i], "--level") == 0 && i + 1 < argc) {
      char* end = nullptr;
      long value = strtol(argv[++i], &end, 10);
      if (!end || *end || value < 1 || value > GetMaxCompressionLevel()) {
        return Fail("--level %s: not a level of this build (see --help)%s", argv[i]);
      }
      level = static_cast<int>(value);
    } else if (argv[i][0] == '-' && argv[i][1] == '-') {
      return Fail("%s: unknown option (see --help)%s", argv[i]);
    } else if (!folder) {
      folder = argv[i];
    } else {
      return Fail("%s: only one folder is packed (see --help)%s", argv[i]);
    }
  }
  if (!stub || !out || !folder) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  std::string root = folder;
  while (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
  std::vector<PackEntry> collected;
  if (!CollectFolder(root, "", &collected)) return kExitFailure;
  std::vector<PackEntry> entries = OrderEntries(collected);
  if (const PackEntry* hazard = FindStartupHazard(entries)) {
    return Fail("%s: a text file inside a folder would be taken for a configuration file at "
                "start-up and fail it; keep it at the top level or below a folder inside a folder%s",
                hazard->local.c_str());
  }
  std::string part = std::string(out) + kPartSuffix;
  int result = WriteUpdater(stub, part, level, entries);
  if (result == 0) {
#ifdef _WIN32
    if (!MoveFileExA(part.c_str(), out, MOVEFILE_REPLACE_EXISTING)) result = Fail("%s: cannot write the output%s", out);
#else
    if (rename(part.c_str(), out) != 0) result = Fail("%s: cannot write the output: %s", out, strerror(errno));
#endif
  }
  if (result != 0) {
    remove(part.c_str());
    return result;
  }
  printf("%s: %zu entries packed\n", out, entries.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0) {
    PrintUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? kExitUsage : 0;
  }
  const char* command = argv[1];
  if (strcmp(command, "pack") == 0) return PackCommand(argc - 1, argv + 1);
  if (strcmp(command, "list") == 0 && argc == 3) return ListCommand(argv[2]);
  if (strcmp(command, "verify") == 0 && argc == 3) return WalkCommand(argv[2], nullptr);
  if (strcmp(command, "extract") == 0 && argc == 4) return WalkCommand(argv[2], argv[3]);
  if (strcmp(command, "picture") == 0) return RunPictureCommand(argc - 1, argv + 1);
  PrintUsage(stderr);
  return kExitUsage;
}
