// The TC00 pixel encoder (greedy longest match over the 32 copy offsets) and RCT file assembly.
#include "image/rct_encode.h"

#include <cstring>

#include "image/rct.h"

namespace {

constexpr size_t kMaxShortCopy = 3;
constexpr size_t kMaxCopy = 65535 + 4;
constexpr size_t kMaxShortLiteral = 127;
constexpr size_t kMinLongLiteral = 128;
constexpr size_t kMaxLiteral = 65535 + 128;
constexpr size_t kMaxNameSize = 65535;

// The same offsets as the decoder's table, as distances back in pixels.
const int8_t kOffsetDx[kRctOffsetCount] = {-1, -2, -3, -4, -5, -6, 3,  2,  1,  0,  -1,
                                           -2, -3, 3,  2,  1,  0,  -1, -2, -3, 3,  2,
                                           1,  0,  -1, -2, -3, 2,  1,  0,  -1, -2};
const int8_t kOffsetDy[kRctOffsetCount] = {0,  0,  0,  0,  0,  0,  -1, -1, -1, -1, -1,
                                           -1, -1, -2, -2, -2, -2, -2, -2, -2, -3, -3,
                                           -3, -3, -3, -3, -3, -4, -4, -4, -4, -4};

void PutU16(std::vector<uint8_t>* out, size_t value) {
  out->push_back(uint8_t(value & 0xFF));
  out->push_back(uint8_t(value >> 8));
}

void PutU32(std::vector<uint8_t>* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(uint8_t(value >> (8 * i)));
}

void EmitLiterals(const uint8_t* bgr, size_t first, size_t count, std::vector<uint8_t>* out) {
  while (count > 0) {
    size_t run = count;
    if (run >= kMinLongLiteral) {
      if (run > kMaxLiteral) run = kMaxLiteral;
      out->push_back(0x7F);
      PutU16(out, run - kMinLongLiteral);
    } else {
      out->push_back(uint8_t(run - 1));
    }
    const uint8_t* p = bgr + first * 3;
    out->insert(out->end(), p, p + run * 3);
    first += run;
    count -= run;
  }
}

// Copies of 4 to 6 pixels are cheaper as two short copies (2 bytes) than as one long (3 bytes).
void EmitCopy(int number, size_t pixels, std::vector<uint8_t>* out) {
  uint8_t base = uint8_t(0x80 | (number << 2));
  if (pixels > kMaxShortCopy && pixels <= 2 * kMaxShortCopy) {
    out->push_back(uint8_t(base | (kMaxShortCopy - 1)));
    pixels -= kMaxShortCopy;
  }
  if (pixels <= kMaxShortCopy) {
    out->push_back(uint8_t(base | (pixels - 1)));
  } else {
    out->push_back(uint8_t(base | 3));
    PutU16(out, pixels - 4);
  }
}

// Number of equal bytes at `a` and `b`, at most `limit`, compared eight at a time.
size_t MatchBytes(const uint8_t* a, const uint8_t* b, size_t limit) {
  size_t n = 0;
  while (limit - n >= 8) {
    uint64_t x, y;
    memcpy(&x, a + n, 8);
    memcpy(&y, b + n, 8);
    if (x != y) break;
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

int EncodeRctPixels(const uint8_t* bgr, uint32_t width, uint32_t height, std::vector<uint8_t>* data) {
  data->clear();
  int32_t total = 0;
  if (bgr == nullptr || RctPixelBytes(width, height, &total) != 0) return -1;
  const size_t count = size_t(total) / 3;

  // Distances back in pixels; offsets that do not point backwards (narrow pictures) are unused.
  int64_t back[kRctOffsetCount];
  for (int i = 0; i < kRctOffsetCount; ++i) {
    back[i] = -(int64_t(kOffsetDx[i]) + int64_t(kOffsetDy[i]) * int64_t(width));
  }

  data->insert(data->end(), bgr, bgr + 3);
  size_t literal_start = 1;
  size_t p = 1;
  while (p < count) {
    size_t limit = count - p;
    if (limit > kMaxCopy) limit = kMaxCopy;
    const uint8_t* here = bgr + p * 3;
    size_t best = 0;
    int best_number = -1;
    for (int k = 0; k < kRctOffsetCount; ++k) {
      if (back[k] <= 0 || uint64_t(back[k]) > p) continue;
      const uint8_t* there = here - size_t(back[k]) * 3;
      // A candidate must match the pixel after the best match so far to beat it.
      size_t probe = best * 3;
      if (best > 0 && memcmp(here + probe, there + probe, 3) != 0) continue;
      if (memcmp(here, there, 3) != 0) continue;
      size_t length = MatchBytes(here, there, limit * 3) / 3;
      if (length > best) {
        best = length;
        best_number = k;
        if (best == limit) break;
      }
    }
    if (best == 0) {
      ++p;
      continue;
    }
    EmitLiterals(bgr, literal_start, p - literal_start, data);
    EmitCopy(best_number, best, data);
    p += best;
    literal_start = p;
  }
  EmitLiterals(bgr, literal_start, p - literal_start, data);
  return 0;
}

void AssembleRctFile(int kind, uint32_t width, uint32_t height, const char* name,
                     const uint8_t* data, size_t size, std::vector<uint8_t>* file) {
  file->clear();
  const uint8_t* signature = RctSignature(kind);
  if (signature == nullptr) return;
  file->insert(file->end(), signature, signature + kRctSignatureSize);
  PutU32(file, width);
  PutU32(file, height);
  PutU32(file, uint32_t(size));
  if (kind == kRctTC01 || kind == kRctTS01) {
    size_t name_size = name == nullptr ? 0 : strlen(name);
    if (name_size > kMaxNameSize) name_size = kMaxNameSize;
    PutU16(file, name_size);
    file->insert(file->end(), name, name + name_size);
  }
  if (size > 0) file->insert(file->end(), data, data + size);
}

int EncodeRct(int kind, const uint8_t* bgr, uint32_t width, uint32_t height, const char* name,
              std::vector<uint8_t>* file) {
  file->clear();
  std::vector<uint8_t> data;
  if (RctSignature(kind) == nullptr || EncodeRctPixels(bgr, width, height, &data) != 0) return -1;
  if (kind == kRctTS00 || kind == kRctTS01) {
    data.push_back('T');
    data.push_back('S');
    // Scrambling and descrambling are the same exclusive or with the key.
    DescrambleRct(data.data(), data.size());
  }
  AssembleRctFile(kind, width, height, name, data.data(), data.size(), file);
  return 0;
}

std::vector<uint8_t> EncodeRctTC00(const uint8_t* bgr, uint32_t width, uint32_t height) {
  std::vector<uint8_t> file;
  EncodeRct(kRctTC00, bgr, width, height, nullptr, &file);
  return file;
}
