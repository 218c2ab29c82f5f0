// Writing payload archives: entries appended to an open stream after the updater's image,
// closed by the end marker and the trailer. Shared by the makers' tool and the tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct ArchiveWriter {
  FILE* out;                 // positioned at the archive's first byte by BeginArchive's caller
  uint32_t archive_offset;   // file offset of the first entry header
  int level;                 // compression level, 1 to 12 (above 9 only with libdeflate)
  char error[300];           // what went wrong, for the caller's message; empty when all is well
};

// Starts an archive at the stream's current position. 0, or -1 with `error` filled.
int BeginArchive(ArchiveWriter* writer, FILE* out, int level);
// A folder entry; `name` is cp932 with backslashes and ends in one backslash.
int AddFolderEntry(ArchiveWriter* writer, const char* name);
// A file entry from memory, compressed as one zlib stream.
int AddFileEntry(ArchiveWriter* writer, const char* name, const void* data, size_t size,
                 uint64_t filetime);
// A file entry read from `in` (exactly `size` bytes), for files too large to hold in memory.
int AddFileEntryFromStream(ArchiveWriter* writer, const char* name, FILE* in, uint64_t size,
                           uint64_t filetime);
// An entry written exactly as given, valid or not, for damaged payloads in tests.
int AddRawEntry(ArchiveWriter* writer, const char* name, int32_t file_size, int32_t stored_size,
                uint64_t filetime, const void* data, size_t data_size);
// The end marker, two zero bytes and the trailer. 0, or -1 with `error` filled.
int FinishArchive(ArchiveWriter* writer);
// Only the trailer, without an end marker: a truncated archive, for tests.
int WriteTrailerOnly(ArchiveWriter* writer);

// The compressor this build writes with ("libdeflate" or "zlib") and its highest level.
const char* GetCompressorName();
int GetMaxCompressionLevel();
