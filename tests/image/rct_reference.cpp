// Byte-by-byte RCT pixel decoder: every run is checked whole, then copied one byte at a time.
#include "rct_reference.h"

#include "image/rct.h"

namespace {
const int kDx[32] = {-1, -2, -3, -4, -5, -6, 3, 2, 1, 0, -1, -2, -3, 3, 2, 1,
                     0,  -1, -2, -3, 3,  2,  1, 0, -1, -2, -3, 2, 1, 0, -1, -2};
const int kDy[32] = {0,  0,  0,  0,  0,  0,  -1, -1, -1, -1, -1, -1, -1, -2, -2, -2,
                     -2, -2, -2, -2, -3, -3, -3, -3, -3, -3, -3, -4, -4, -4, -4, -4};
}  // namespace

int ReferenceDecodeRct(const uint8_t* data, size_t size, uint32_t width, uint8_t* out, size_t total,
                       size_t* written) {
  size_t o = 0, i = 0;
  int result = kRctDecodeComplete;
  if (total >= 3 && size >= 3) {
    for (; o < 3; ++o, ++i) out[o] = data[i];
  } else if (total > 0) {
    result = kRctDecodeTruncated;
  }
  while (result == kRctDecodeComplete && o < total) {
    if (i >= size) { result = kRctDecodeTruncated; break; }
    unsigned f = data[i++];
    uint64_t pixels;
    if (f >= 0x80) {
      pixels = (f & 3) + 1;
      if ((f & 3) == 3) {
        if (i + 2 > size) { result = kRctDecodeTruncated; break; }
        pixels = uint64_t(data[i] | data[i + 1] << 8) + 4;
        i += 2;
      }
      int n = (f >> 2) & 0x1F;
      int64_t source = int64_t(o) + 3 * (int64_t(kDx[n]) + int64_t(kDy[n]) * int64_t(width));
      if (source < 0 || source >= int64_t(o)) { result = kRctDecodeBadCopy; break; }
      if (o + pixels * 3 > total) { result = kRctDecodeOverrun; break; }
      for (uint64_t k = 0; k < pixels * 3; ++k) out[o++] = out[source++];
    } else {
      pixels = f + 1;
      if (f == 0x7F) {
        if (i + 2 > size) { result = kRctDecodeTruncated; break; }
        pixels = uint64_t(data[i] | data[i + 1] << 8) + 128;
        i += 2;
      }
      if (o + pixels * 3 > total) { result = kRctDecodeOverrun; break; }
      if (i + pixels * 3 > size) { result = kRctDecodeTruncated; break; }
      for (uint64_t k = 0; k < pixels * 3; ++k) out[o++] = data[i++];
    }
  }
  if (written != nullptr) *written = o;
  return result;
}

uint64_t HashBytes(const uint8_t* bytes, size_t size) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (size_t k = 0; k < size; ++k) {
    hash ^= bytes[k];
    hash *= 0x100000001b3ull;
  }
  return hash;
}
