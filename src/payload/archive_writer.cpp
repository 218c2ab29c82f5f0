// Writing payload archives: headers, zlib streams, end marker and trailer.
// libdeflate gives the smallest standard zlib streams; where it is missing (the Windows build of
// the makers' tool) zlib at level 9 writes them.
#include "payload/archive_writer.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "payload/archive.h"
#include "shell/cp932.h"

#if ZOLMIR_HAVE_LIBDEFLATE
#include <libdeflate.h>
constexpr bool kHaveLibdeflate = true;
#else
constexpr bool kHaveLibdeflate = false;
#endif

namespace {

// Files up to this size are compressed in one piece (libdeflate needs the whole input);
// bigger ones stream through zlib so that packing a large game needs little memory.
constexpr uint64_t kWholeFileLimit = 256u << 20;
constexpr size_t kStreamChunk = 1u << 20;
constexpr int kZlibMaxLevel = 9;
constexpr int kMaxLevel = kHaveLibdeflate ? 12 : kZlibMaxLevel;

int SetError(ArchiveWriter* writer, const char* format, const char* name) {
  FormatText(writer->error, sizeof writer->error, format, name);
  return -1;
}

int64_t Tell(FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return ftello(file);
#endif
}

int Seek(FILE* file, int64_t position) {
#ifdef _WIN32
  return _fseeki64(file, position, SEEK_SET);
#else
  return fseeko(file, position, SEEK_SET);
#endif
}

bool Put(ArchiveWriter* writer, const void* data, size_t size) {
  return size == 0 || fwrite(data, 1, size, writer->out) == size;
}

// Checks the name and writes the header up to and including the stored size.
int WriteHeader(ArchiveWriter* writer, const char* name, int32_t file_size, int32_t stored_size,
                bool check_name) {
  size_t length = (check_name ? strnlen(name, kMaxNameLength) : strlen(name)) + 1;
  if (length > (check_name ? kMaxNameLength : 0xFFFF)) {
    return SetError(writer, "%s: name longer than 259 bytes", name);
  }
  if (check_name && !IsSafeEntryName(name, length, file_size == kFolderFileSize)) {
    return SetError(writer, "%s: name would leave the destination folder", name);
  }
  unsigned char field[kFileSizeSize + kStoredSizeSize];
  PutU16(field, static_cast<uint16_t>(length));
  if (!Put(writer, field, kNameLengthSize) || !Put(writer, name, length)) {
    return SetError(writer, "%s: cannot write the archive", name);
  }
  PutU32(field + kFileSizeOffset, static_cast<uint32_t>(file_size));
  PutU32(field + kStoredSizeOffset, static_cast<uint32_t>(stored_size));
  if (!Put(writer, field, sizeof field)) return SetError(writer, "%s: cannot write the archive", name);
  return 0;
}

int WriteTimeStamp(ArchiveWriter* writer, const char* name, uint64_t filetime) {
  unsigned char stamp[kTimeStampSize];
  PutU32(stamp, static_cast<uint32_t>(filetime));
  PutU32(stamp + 4, static_cast<uint32_t>(filetime >> 32));
  if (!Put(writer, stamp, sizeof stamp)) return SetError(writer, "%s: cannot write the archive", name);
  return 0;
}

bool FitsEntry(uint64_t size) { return size <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max()); }

int ZlibLevel(int level) { return level > kZlibMaxLevel ? kZlibMaxLevel : level; }

// One zlib stream of `size` bytes into a new buffer; its length in `stored`. Null on failure.
unsigned char* Compress(int level, const void* data, size_t size, size_t* stored) {
#if ZOLMIR_HAVE_LIBDEFLATE
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
  if (!compressor) return nullptr;
  size_t bound = libdeflate_zlib_compress_bound(compressor, size);
  unsigned char* out = static_cast<unsigned char*>(malloc(bound ? bound : 1));
  *stored = out ? libdeflate_zlib_compress(compressor, data, size, out, bound) : 0;
  libdeflate_free_compressor(compressor);
  if (out && *stored == 0) {
    free(out);
    out = nullptr;
  }
  return out;
#else
  uLong bound = compressBound(static_cast<uLong>(size));
  unsigned char* out = static_cast<unsigned char*>(malloc(bound));
  if (!out) return nullptr;
  uLongf length = bound;
  if (compress2(out, &length, static_cast<const Bytef*>(data), static_cast<uLong>(size),
                ZlibLevel(level)) != Z_OK) {
    free(out);
    return nullptr;
  }
  *stored = length;
  return out;
#endif
}

}  // namespace

int BeginArchive(ArchiveWriter* writer, FILE* out, int level) {
  memset(writer, 0, sizeof *writer);
  writer->out = out;
  writer->level = level;
  if (level < 1 || level > kMaxLevel) {
    return SetError(writer, "compression level out of range (1 to %s)", kHaveLibdeflate ? "12" : "9");
  }
  int64_t position = Tell(out);
  if (position < 0 || position > static_cast<int64_t>(std::numeric_limits<uint32_t>::max())) {
    return SetError(writer, "%sthe archive must start within the first 4 GiB", "");
  }
  writer->archive_offset = static_cast<uint32_t>(position);
  return 0;
}

int AddFolderEntry(ArchiveWriter* writer, const char* name) {
  size_t length = strnlen(name, kMaxNameLength);
  const char* last = FindLastCharMb(name, '\\');
  if (length == 0 || !last || last[1] != '\0') {
    return SetError(writer, "%s: a folder name ends in a backslash", name);
  }
  return WriteHeader(writer, name, kFolderFileSize, 0, true);
}

int AddFileEntry(ArchiveWriter* writer, const char* name, const void* data, size_t size,
                 uint64_t filetime) {
  if (!FitsEntry(size)) return SetError(writer, "%s: file of 2 GiB or more", name);
  size_t stored = 0;
  unsigned char* packed = Compress(writer->level, data, size, &stored);
  if (!packed) return SetError(writer, "%s: compression failed (out of memory)", name);
  int result = -1;
  if (!FitsEntry(stored)) {
    SetError(writer, "%s: compressed data of 2 GiB or more", name);
  } else if (WriteHeader(writer, name, static_cast<int32_t>(size), static_cast<int32_t>(stored), true) == 0 &&
             WriteTimeStamp(writer, name, filetime) == 0) {
    result = Put(writer, packed, stored) ? 0 : SetError(writer, "%s: cannot write the archive", name);
  }
  free(packed);
  return result;
}

int AddFileEntryFromStream(ArchiveWriter* writer, const char* name, FILE* in, uint64_t size,
                           uint64_t filetime) {
  if (!FitsEntry(size)) return SetError(writer, "%s: file of 2 GiB or more", name);
  if (size <= kStreamChunk || (kHaveLibdeflate && size <= kWholeFileLimit)) {
    unsigned char* data = static_cast<unsigned char*>(malloc(size ? size : 1));
    if (!data) return SetError(writer, "%s: out of memory", name);
    int result = fread(data, 1, size, in) == size && fgetc(in) == EOF
                     ? AddFileEntry(writer, name, data, size, filetime)
                     : SetError(writer, "%s: cannot read the whole file", name);
    free(data);
    return result;
  }
  // Streamed: the stored size is written once the stream is complete.
  if (WriteHeader(writer, name, static_cast<int32_t>(size), 0, true) != 0) return -1;
  int64_t stored_field = Tell(writer->out) - static_cast<int64_t>(kStoredSizeSize);
  if (WriteTimeStamp(writer, name, filetime) != 0) return -1;
  unsigned char* input = static_cast<unsigned char*>(malloc(kStreamChunk));
  unsigned char* output = static_cast<unsigned char*>(malloc(kStreamChunk));
  z_stream z;
  memset(&z, 0, sizeof z);
  if (!input || !output || deflateInit(&z, ZlibLevel(writer->level)) != Z_OK) {
    SetError(writer, "%s: out of memory", name);
    free(input);
    free(output);
    return -1;
  }
  uint64_t left = size;
  uint64_t stored = 0;
  bool ok = true;
  int flush = Z_NO_FLUSH;
  while (ok) {
    if (z.avail_in == 0 && flush == Z_NO_FLUSH) {
      size_t want = left < kStreamChunk ? static_cast<size_t>(left) : kStreamChunk;
      size_t got = fread(input, 1, want, in);
      if (got != want) {
        ok = false;
        SetError(writer, "%s: cannot read the whole file", name);
        break;
      }
      left -= got;
      z.next_in = input;
      z.avail_in = static_cast<uInt>(got);
      if (left == 0) flush = Z_FINISH;
    }
    z.next_out = output;
    z.avail_out = kStreamChunk;
    int r = deflate(&z, flush);
    size_t produced = kStreamChunk - z.avail_out;
    stored += produced;
    if (!Put(writer, output, produced)) {
      ok = false;
      SetError(writer, "%s: cannot write the archive", name);
      break;
    }
    if (r == Z_STREAM_END) break;
    if (r != Z_OK && r != Z_BUF_ERROR) {
      ok = false;
      SetError(writer, "%s: compression failed", name);
    }
  }
  deflateEnd(&z);
  free(input);
  free(output);
  if (!ok) return -1;
  if (fgetc(in) != EOF) return SetError(writer, "%s: the file grew while it was packed", name);
  if (!FitsEntry(stored)) return SetError(writer, "%s: compressed data of 2 GiB or more", name);
  int64_t end = Tell(writer->out);
  unsigned char field[kStoredSizeSize];
  PutU32(field, static_cast<uint32_t>(stored));
  if (Seek(writer->out, stored_field) != 0 || !Put(writer, field, sizeof field) ||
      Seek(writer->out, end) != 0) {
    return SetError(writer, "%s: cannot write the archive", name);
  }
  return 0;
}

int AddRawEntry(ArchiveWriter* writer, const char* name, int32_t file_size, int32_t stored_size,
                uint64_t filetime, const void* data, size_t data_size) {
  if (WriteHeader(writer, name, file_size, stored_size, false) != 0) return -1;
  if (file_size == kFolderFileSize) return 0;
  if (WriteTimeStamp(writer, name, filetime) != 0) return -1;
  return Put(writer, data, data_size) ? 0 : SetError(writer, "%s: cannot write the archive", name);
}

int FinishArchive(ArchiveWriter* writer) {
  unsigned char end[kNameLengthSize + kEndMarkerPadding] = {0, 0, 0, 0};
  if (!Put(writer, end, sizeof end)) return SetError(writer, "%scannot write the end marker", "");
  return WriteTrailerOnly(writer);
}

int WriteTrailerOnly(ArchiveWriter* writer) {
  unsigned char trailer[kTrailerSize];
  PutU32(trailer, writer->archive_offset);
  if (!Put(writer, trailer, sizeof trailer) || fflush(writer->out) != 0 || ferror(writer->out)) {
    return SetError(writer, "%scannot write the trailer", "");
  }
  return 0;
}

const char* GetCompressorName() { return kHaveLibdeflate ? "libdeflate" : "zlib"; }

int GetMaxCompressionLevel() { return kMaxLevel; }
