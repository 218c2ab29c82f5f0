// Payload archive format: the one definition of entry headers, name rules and progress units.
//
//   updater image ... | entry | entry | ... | 00 00 (end marker) | 00 00 | u32 archive offset
//
//   entry header (little-endian):
//     +0          u16  name length n, NUL included (0 = end marker)
//     +2          n    name, cp932, '\' between components, NUL at +2+n-1
//     +2+n        i32  file size after inflation; -1 = folder entry
//     +6+n        i32  stored size: bytes of zlib data after the time stamp (ignored for folders)
//   file entries go on with
//     +10+n       u32  FILETIME low part, then u32 high part (last-write time)
//     +18+n       stored size bytes: one zlib stream (RFC 1950) of exactly file size bytes
//
// Names must stay inside the destination folder: no empty, "." ".." style or drive component,
// no leading separator, no colon; '/' counts as a separator as Windows treats it so.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "shell/cp932.h"

constexpr size_t kNameLengthSize = 2;
constexpr size_t kFileSizeSize = 4;
constexpr size_t kStoredSizeSize = 4;
constexpr size_t kTimeStampSize = 8;
constexpr size_t kTrailerSize = 4;
constexpr size_t kEndMarkerPadding = 2;      // zero bytes a writer puts after the end marker
constexpr size_t kHeaderOverhead = kNameLengthSize + kFileSizeSize + kStoredSizeSize;
constexpr size_t kMaxNameLength = kPathSize;  // name bytes including the NUL
constexpr int32_t kFolderFileSize = -1;
constexpr uint32_t kProgressUnit = 0x20000;   // both progress bars count in 128 KiB
constexpr size_t kBlockSize = 0x20000;        // input and output buffers of one entry

// Offsets of the fields after the name, relative to the first byte after the name.
constexpr size_t kFileSizeOffset = 0;
constexpr size_t kStoredSizeOffset = kFileSizeOffset + kFileSizeSize;
constexpr size_t kTimeStampOffset = kStoredSizeOffset + kStoredSizeSize;
constexpr size_t kDataOffset = kTimeStampOffset + kTimeStampSize;

static_assert(kHeaderOverhead == 10, "an entry header is name length + 10 bytes");
static_assert(kDataOffset == 16, "zlib data starts 16 bytes after the name");
static_assert(kMaxNameLength == 260, "names and destination paths share the path limit");
static_assert(kBlockSize == kProgressUnit, "one output block is one progress unit");
static_assert(sizeof(uint16_t) == kNameLengthSize && sizeof(int32_t) == kFileSizeSize &&
                  sizeof(uint64_t) == kTimeStampSize && sizeof(uint32_t) == kTrailerSize,
              "field widths");

// Where entry bytes come from: a file on the updater, memory in tests and the fuzzer.
struct ArchiveSource {
  void* context;
  // Reads up to `size` bytes into `buffer`; returns the number delivered (short at the end).
  size_t (*read)(void* context, void* buffer, size_t size);
  // Moves forward `count` bytes; results are not examined by the walk.
  void (*skip)(void* context, uint64_t count);
};

// A source over bytes in memory; reads past the end are short.
struct MemorySource {
  const unsigned char* data;
  size_t size;
  size_t position;
};
ArchiveSource MakeMemorySource(MemorySource* memory, const void* data, size_t size);

// A source over a file standing at `position`, bounded by `end` (the trailer), so that damage
// never reads the trailer as entry data.
struct FileSource {
  FILE* file;
  uint64_t position;
  uint64_t end;
};
ArchiveSource MakeFileSource(FileSource* source, FILE* file, uint64_t position, uint64_t end);
// fseek with 64-bit positions on both builds.
int SeekFile64(FILE* file, int64_t position, int whence);

struct EntryHeader {
  uint16_t name_length;      // NUL included; 0 at the end marker
  char name[kMaxNameLength];
  int32_t file_size;         // kFolderFileSize for folder entries
  int32_t stored_size;
};

enum class HeaderResult {
  Entry,      // a valid header was read
  End,        // the end marker
  ShortRead,  // the data ended inside the header
  BadName,    // the name breaks a name rule
  BadSize,    // a file entry with a negative size or no stored data
};

// Reads one entry header and checks it: name length, name rules, sizes.
HeaderResult ReadEntryHeader(const ArchiveSource* source, EntryHeader* header);

// Checks an entry name of `length` bytes (NUL included) held in `name`: 1 when the name keeps
// inside the destination folder and within the limits, else 0. Folder names may end in '\'.
int IsSafeEntryName(const char* name, size_t length, int is_folder);

// Joins the destination folder and the name with one '\' into `path` (kPathSize bytes):
// 1, or 0 when the result would be longer than the path limit.
int JoinDestinationPath(char* path, const char* folder, const char* name);

// True when `pattern` occurs in `name`, ASCII letters compared without regard to case.
bool NameContains(const char* name, const char* pattern);

// True for the entries that start-up extracts into the work folder.
bool IsConfigName(const char* name);

// Whole progress units in a byte count.
inline uint32_t ProgressUnits(uint64_t bytes) { return static_cast<uint32_t>(bytes / kProgressUnit); }

// Little-endian fields.
inline uint16_t GetU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutU16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void PutU32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
