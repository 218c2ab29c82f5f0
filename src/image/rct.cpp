// RCT header parsing, descrambling, the pixel decoder and the row spreading, over byte buffers.
#include "image/rct.h"

#include <cstdlib>
#include <cstring>

static_assert(kRctHeaderSize == 8 + 4 + 4 + 4, "signature, width, height, data size");
static_assert(kRctKeySize % 4 == 0, "the key is applied in 32-bit words");

namespace {

const uint8_t kSignatures[4][kRctSignatureSize] = {
    {0x98, 0x5A, 0x92, 0x9A, 'T', 'C', '0', '0'},
    {0x98, 0x5A, 0x92, 0x9A, 'T', 'S', '0', '0'},
    {0x98, 0x5A, 0x92, 0x9A, 'T', 'C', '0', '1'},
    {0x98, 0x5A, 0x92, 0x9A, 'T', 'S', '0', '1'},
};

// Nothing ever fills the key, so descrambling leaves the data as it is.
const uint8_t kRctKey[kRctKeySize] = {};

// Copy offsets by number: dx to the right, dy in rows downward.
struct OffsetStep {
  int8_t dx;
  int8_t dy;
};
const OffsetStep kOffsetSteps[kRctOffsetCount] = {
    {-1, 0},  {-2, 0},  {-3, 0},  {-4, 0},  {-5, 0},  {-6, 0},
    {3, -1},  {2, -1},  {1, -1},  {0, -1},  {-1, -1}, {-2, -1}, {-3, -1},
    {3, -2},  {2, -2},  {1, -2},  {0, -2},  {-1, -2}, {-2, -2}, {-3, -2},
    {3, -3},  {2, -3},  {1, -3},  {0, -3},  {-1, -3}, {-2, -3}, {-3, -3},
    {2, -4},  {1, -4},  {0, -4},  {-1, -4}, {-2, -4},
};

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t ReadU16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

// Repeats the `distance` bytes before `dst` over `length` bytes, exactly as a forward byte copy
// would: each round copies the whole periodic stretch written so far, doubling it.
void CopyOverlapping(uint8_t* dst, size_t distance, size_t length) {
  const uint8_t* src = dst - distance;
  size_t done = 0;
  while (done < length) {
    size_t chunk = done + distance;
    if (chunk > length - done) chunk = length - done;
    memcpy(dst + done, src, chunk);
    done += chunk;
  }
}

}  // namespace

const uint8_t* RctSignature(int kind) {
  if (kind < kRctTC00 || kind > kRctTS01) return nullptr;
  return kSignatures[kind];
}

int ParseRctHeader(const uint8_t* bytes, size_t size, RctHeader* header) {
  if (bytes == nullptr || size < kRctHeaderSize) return -1;
  int kind = -1;
  for (int k = kRctTC00; k <= kRctTS01; ++k) {
    if (memcmp(bytes, kSignatures[k], kRctSignatureSize) == 0) {
      kind = k;
      break;
    }
  }
  if (kind < 0) return -1;
  header->kind = kind;
  header->scrambled = (kind == kRctTS00 || kind == kRctTS01) ? 1 : 0;
  header->named = (kind == kRctTC01 || kind == kRctTS01) ? 1 : 0;
  header->width = ReadU32(bytes + 8);
  header->height = ReadU32(bytes + 12);
  header->dataSize = ReadU32(bytes + 16);
  return 0;
}

int RctPixelBytes(uint32_t width, uint32_t height, int32_t* total) {
  if (width == 0 || height == 0) return -1;
  uint64_t bytes = uint64_t(width) * uint64_t(height) * 3u;
  if (bytes > uint64_t(INT32_MAX)) return -1;
  if (total != nullptr) *total = int32_t(bytes);
  return 0;
}

int32_t SurfaceStride(int32_t width) {
  int64_t stride = (int64_t(width) * 3 + 3) / 4 * 4;
  if (stride > INT32_MAX || stride < INT32_MIN) return -1;
  return int32_t(stride);
}

void DescrambleRct(uint8_t* data, size_t size) {
  size_t position = 0;
  for (; size - position >= kRctKeySize; position += kRctKeySize) {
    for (size_t word = 0; word < kRctKeySize; word += 4) {
      uint32_t value, key;
      memcpy(&value, data + position + word, 4);
      memcpy(&key, kRctKey + word, 4);
      value ^= key;
      memcpy(data + position + word, &value, 4);
    }
  }
  for (size_t i = 0; position < size; ++position, ++i) data[position] ^= kRctKey[i];
}

int HasRctCheckMark(const uint8_t* data, size_t size) {
  return size >= 2 && data[size - 2] == 'T' && data[size - 1] == 'S';
}

int DecodeRctPixels(const uint8_t* data, size_t size, uint32_t width, uint8_t* out, size_t total,
                    size_t* written) {
  // Distances back from the output position, in bytes; zero or less marks an offset that would
  // read output not yet written (only pictures up to three pixels wide have such offsets).
  int64_t distance[kRctOffsetCount];
  for (int i = 0; i < kRctOffsetCount; ++i) {
    distance[i] = -3 * (int64_t(kOffsetSteps[i].dx) + int64_t(kOffsetSteps[i].dy) * width);
  }

  size_t out_pos = 0;
  size_t in_pos = 0;
  int result = kRctDecodeComplete;
  if (total < 3 || size < 3) {
    result = total == 0 ? kRctDecodeComplete : kRctDecodeTruncated;
  } else {
    memcpy(out, data, 3);
    out_pos = 3;
    in_pos = 3;
  }

  while (result == kRctDecodeComplete && out_pos < total) {
    if (in_pos >= size) {
      result = kRctDecodeTruncated;
      break;
    }
    unsigned f = data[in_pos++];
    if (f >= 0x80) {
      size_t pixels = (f & 3u) + 1;
      if (pixels == 4) {
        if (size - in_pos < 2) {
          result = kRctDecodeTruncated;
          break;
        }
        pixels = ReadU16(data + in_pos) + 4;
        in_pos += 2;
      }
      int64_t back = distance[(f >> 2) & 0x1F];
      size_t length = pixels * 3;
      if (back <= 0 || uint64_t(back) > out_pos) {
        result = kRctDecodeBadCopy;
        break;
      }
      if (length > total - out_pos) {
        result = kRctDecodeOverrun;
        break;
      }
      size_t back_bytes = size_t(back);
      uint8_t* dst = out + out_pos;
      // Short copies are the most frequent runs: fixed sizes let the compiler inline them.
      if (back_bytes >= length && pixels <= 3) {
        const uint8_t* src = dst - back_bytes;
        if (pixels == 1) {
          memcpy(dst, src, 3);
        } else if (pixels == 2) {
          memcpy(dst, src, 6);
        } else {
          memcpy(dst, src, 9);
        }
      } else if (back_bytes >= length) {
        memcpy(dst, dst - back_bytes, length);
      } else {
        CopyOverlapping(dst, back_bytes, length);
      }
      out_pos += length;
    } else {
      size_t pixels = f + 1;
      if (f == 0x7F) {
        if (size - in_pos < 2) {
          result = kRctDecodeTruncated;
          break;
        }
        pixels = ReadU16(data + in_pos) + 128;
        in_pos += 2;
      }
      size_t length = pixels * 3;
      if (length > total - out_pos) {
        result = kRctDecodeOverrun;
        break;
      }
      if (length > size - in_pos) {
        result = kRctDecodeTruncated;
        break;
      }
      memcpy(out + out_pos, data + in_pos, length);
      out_pos += length;
      in_pos += length;
    }
  }
  if (written != nullptr) *written = out_pos;
  return result;
}

void SpreadRctRows(uint8_t* pixels, int32_t width, int32_t height, int32_t stride) {
  size_t row_bytes = size_t(width) * 3;
  if (width <= 0 || height <= 0 || stride < 0 || size_t(stride) <= row_bytes) return;
  for (int32_t r = height - 1; r > 0; --r) {
    memmove(pixels + size_t(r) * size_t(stride), pixels + size_t(r) * row_bytes, row_bytes);
  }
}

int DecodeRctFile(const uint8_t* bytes, size_t size, RctPicture* picture) {
  memset(picture, 0, sizeof(*picture));
  if (ParseRctHeader(bytes, size, &picture->header) != 0) return kRctFileNotRct;
  const RctHeader& header = picture->header;
  int32_t total = 0;
  if (RctPixelBytes(header.width, header.height, &total) != 0) return kRctFileBadSize;

  size_t data_start = kRctHeaderSize;
  if (header.named) {
    if (size - data_start < kRctNameLengthSize) return kRctFileShort;
    data_start += kRctNameLengthSize + ReadU16(bytes + data_start);
    if (data_start > size) return kRctFileShort;
  }
  if (header.dataSize == 0 || header.dataSize > size - data_start) return kRctFileShort;

  uint8_t* data = static_cast<uint8_t*>(malloc(header.dataSize));
  uint8_t* pixels = static_cast<uint8_t*>(calloc(size_t(total), 1));
  if (data == nullptr || pixels == nullptr) {
    free(data);
    free(pixels);
    return kRctFileNoMemory;
  }
  memcpy(data, bytes + data_start, header.dataSize);
  picture->pixels = pixels;

  int result = kRctFileOk;
  if (header.scrambled) {
    DescrambleRct(data, header.dataSize);
    if (!HasRctCheckMark(data, header.dataSize)) result = kRctFileNoMark;
  }
  if (result == kRctFileOk) {
    picture->decodeResult = DecodeRctPixels(data, header.dataSize, header.width, pixels,
                                            size_t(total), &picture->decodedBytes);
    if (picture->decodeResult != kRctDecodeComplete) result = kRctFileCorrupt;
  }
  free(data);
  return result;
}

void FreeRctPicture(RctPicture* picture) {
  if (picture == nullptr) return;
  free(picture->pixels);
  picture->pixels = nullptr;
}
