// Loading RCT picture files into surfaces: reading with retries, the check mark, decoding, rows.
#include "image/rct_image.h"

#include <cstdio>
#include <cstdlib>

#include "image/rct.h"
#include "shell/services.h"

namespace {

// A file that keeps failing to read whole is opened this many times before giving up.
constexpr int kRctReadAttempts = 3;

enum ReadOutcome { kReadDone, kReadAgain, kReadRefused };

// Bytes left in `file` from its current position, or -1 when that cannot be told.
long RemainingBytes(FILE* file) {
  long here = ftell(file);
  if (here < 0 || fseek(file, 0, SEEK_END) != 0) return -1;
  long end = ftell(file);
  if (fseek(file, here, SEEK_SET) != 0) return -1;
  // A name skip may have gone past the end of the file.
  return end < here ? 0 : end - here;
}

// One attempt: header, name skip and data. On kReadDone `*data` holds header->dataSize bytes.
ReadOutcome ReadRctFile(const char* path, RctHeader* header, uint8_t** data) {
  *data = nullptr;
  FILE* file = Ffopen(path, "rb");
  if (file == nullptr) return kReadRefused;
  ReadOutcome outcome = kReadAgain;
  uint8_t head[kRctHeaderSize];
  uint8_t name_length[kRctNameLengthSize];
  long remaining = 0;
  if (fread(head, 1, sizeof(head), file) != sizeof(head)) goto done;
  if (ParseRctHeader(head, sizeof(head), header) != 0 ||
      RctPixelBytes(header->width, header->height, nullptr) != 0 ||
      header->dataSize > uint32_t(INT32_MAX)) {
    outcome = kReadRefused;
    goto done;
  }
  if (header->named) {
    if (fread(name_length, 1, sizeof(name_length), file) != sizeof(name_length)) goto done;
    if (fseek(file, long(name_length[0] | name_length[1] << 8), SEEK_CUR) != 0) goto done;
  }
  // A file shorter than its declared data fails the read anyway; find out before allocating.
  remaining = RemainingBytes(file);
  if (header->dataSize == 0 || (remaining >= 0 && uint64_t(remaining) < header->dataSize)) goto done;
  *data = static_cast<uint8_t*>(AllocOrWarn(header->dataSize));
  if (*data == nullptr) {
    outcome = kReadRefused;
    goto done;
  }
  if (fread(*data, 1, header->dataSize, file) != header->dataSize) {
    free(*data);
    *data = nullptr;
    goto done;
  }
  outcome = kReadDone;
done:
  fclose(file);
  return outcome;
}

}  // namespace

Surface* LoadRctImage(const char* path) {
  RctHeader header = {};
  uint8_t* data = nullptr;
  ReadOutcome outcome = kReadAgain;
  for (int attempt = 0; attempt < kRctReadAttempts && outcome == kReadAgain; ++attempt) {
    outcome = ReadRctFile(path, &header, &data);
  }
  if (outcome != kReadDone) return nullptr;

  if (header.scrambled) {
    DescrambleRct(data, header.dataSize);
    if (!HasRctCheckMark(data, header.dataSize)) {
      free(data);
      return CreateSurface(int32_t(header.width), int32_t(header.height));
    }
  }
  Surface* surface = CreateSurface(int32_t(header.width), int32_t(header.height));
  if (surface == nullptr) {
    free(data);
    return nullptr;
  }
  size_t total = size_t(header.width) * header.height * 3;
  DecodeRctPixels(data, header.dataSize, header.width, surface->pixels, total, nullptr);
  free(data);
  SpreadRctRows(surface->pixels, surface->width, surface->height, surface->stride);
  return surface;
}
