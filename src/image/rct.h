// The RCT picture format of the script engine: header parsing, descrambling and the pixel decoder.
//
// File layout (numbers little-endian):
//
//   offset  size  field
//   0       8     signature: 98 5A 92 9A ("六丁") and the kind "TC00", "TS00", "TC01" or "TS01"
//   8       4     width in pixels, unsigned
//   12      4     height in pixels, unsigned
//   16      4     size of the compressed pixel data, unsigned
//   20      2     kinds 01 only: name length n, unsigned
//   22      n     kinds 01 only: name bytes (not used)
//   20/22+n size  compressed pixel data; the TS kinds are scrambled and end in the mark "TS"
//
// Compressed pixel data: 3 bytes of the first pixel, then runs, each led by a control byte f:
//
//   f             run                                        bytes after f
//   00..7E        literal of f + 1 pixels                    the pixels
//   7F            literal of m + 128 pixels                  16-bit m, the pixels
//   80..FF, f&3<3 copy of (f & 3) + 1 pixels, offset (f>>2)&31  -
//   80..FF, f&3=3 copy of m + 4 pixels, offset (f>>2)&31       16-bit m
//
// Pixels are blue, green, red, rows top to bottom, packed without filler. A copy reads earlier
// output at the current position plus offset dx + dy * width pixels (table in rct.cpp) and
// repeats its own output when source and destination overlap, as a byte-by-byte copy does.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t kRctSignatureSize = 8;
constexpr size_t kRctHeaderSize = 20;
constexpr size_t kRctNameLengthSize = 2;
constexpr size_t kRctKeySize = 1024;
constexpr int kRctOffsetCount = 32;

enum RctKind { kRctTC00 = 0, kRctTS00 = 1, kRctTC01 = 2, kRctTS01 = 3 };

struct RctHeader {
  int kind;            // RctKind
  int scrambled;       // 1 for the TS kinds
  int named;           // 1 for the 01 kinds: a name length and name follow the header
  uint32_t width;
  uint32_t height;
  uint32_t dataSize;
};

// The eight signature bytes of `kind`.
const uint8_t* RctSignature(int kind);

// Fills `header` from the first kRctHeaderSize bytes of `bytes`. 0, or -1 when fewer bytes are
// given or the signature is none of the four kinds (tried in the order TC00, TS00, TC01, TS01).
int ParseRctHeader(const uint8_t* bytes, size_t size, RctHeader* header);

// width * height * 3 into `total`: 0, or -1 when the picture has no pixels or the product does
// not fit a signed 32-bit integer.
int RctPixelBytes(uint32_t width, uint32_t height, int32_t* total);

// Bytes per surface row: width * 3 rounded up to a multiple of 4; -1 when that overflows.
int32_t SurfaceStride(int32_t width);

// Combines the data with the static key table (all zero, so the data stays as it is).
void DescrambleRct(uint8_t* data, size_t size);
// 1 when the last two bytes are the mark "TS"; data under two bytes never carries it.
int HasRctCheckMark(const uint8_t* data, size_t size);

// How decoding ended. Every ending other than complete leaves the output as far as it was
// decoded, whole runs only; nothing is read past the data or written past `total` bytes.
enum RctDecodeResult {
  kRctDecodeComplete = 0,   // the output holds every pixel
  kRctDecodeTruncated = 1,  // the data ended inside a run, its length or the first pixel
  kRctDecodeBadCopy = 2,    // a copy whose source is not inside the earlier output
  kRctDecodeOverrun = 3,    // a run longer than the pixels left
};

// Decodes `data` into `out`, a packed buffer of `total` = width * height * 3 bytes (see
// RctPixelBytes). The number of bytes written goes to `written` when it is not null.
int DecodeRctPixels(const uint8_t* data, size_t size, uint32_t width, uint8_t* out, size_t total,
                    size_t* written);

// Moves packed rows (width * 3 bytes each) to their `stride` positions in place, last row first.
void SpreadRctRows(uint8_t* pixels, int32_t width, int32_t height, int32_t stride);

// A whole RCT file decoded in memory, for the makers' tool and the tests.
enum RctFileResult {
  kRctFileOk = 0,         // every pixel decoded
  kRctFileNotRct = 1,     // no RCT signature, or fewer bytes than the header
  kRctFileShort = 2,      // name or data shorter than declared, or no data at all
  kRctFileBadSize = 3,    // no pixels, or more than a signed 32-bit count of bytes
  kRctFileNoMark = 4,     // scrambled data without the mark: pixels left zero
  kRctFileCorrupt = 5,    // decoding stopped early (see decodeResult); the rest is zero
  kRctFileNoMemory = 6,
};

struct RctPicture {
  RctHeader header;
  uint8_t* pixels;      // packed, width * height * 3 bytes; release with FreeRctPicture
  size_t decodedBytes;
  int decodeResult;     // RctDecodeResult, when decoding took place
};

// Parses and decodes `bytes`; `picture->pixels` is set for kRctFileOk, kRctFileNoMark and
// kRctFileCorrupt, null otherwise.
int DecodeRctFile(const uint8_t* bytes, size_t size, RctPicture* picture);
void FreeRctPicture(RctPicture* picture);
