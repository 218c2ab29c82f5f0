// Unit tests of the RCT codec core: strides, sizes, the decoder on tiny streams, rows, files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/rct.h"
#include "image/rct_encode.h"
#include "rct_reference.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Pixel number k of a run of distinct pixels.
Bytes Pixel(int k) { return {uint8_t(k), uint8_t(k * 7 + 1), uint8_t(255 - k)}; }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Bytes Pixels(int first, int count) {
  Bytes all;
  for (int k = first; k < first + count; ++k) {
    Bytes p = Pixel(k);
    all.insert(all.end(), p.begin(), p.end());
  }
  return all;
}

TEST(SurfaceStride, RoundsRowsUpToFourBytes) {
  const struct { int32_t width, stride; } cases[] = {
      {1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {255, 768}, {256, 768}, {1920, 5760}};
  for (const auto& c : cases) EXPECT_EQ(SurfaceStride(c.width), c.stride) << c.width;
}

TEST(RctPixelBytes, RefusesEmptyAndOversizedPictures) {
  const struct { uint32_t width, height; int result; int32_t total; } cases[] = {
      {0, 1, -1, 0},
      {1, 0, -1, 0},
      {1, 1, 0, 3},
      {1920, 1080, 0, 1920 * 1080 * 3},
      {0x2AAAAAAA, 1, 0, 0x7FFFFFFE},
      {0x2AAAAAAB, 1, -1, 0},
      {65536, 65536, -1, 0},
      {0xFFFFFFFF, 0xFFFFFFFF, -1, 0},
  };
  for (const auto& c : cases) {
    int32_t total = 0;
    EXPECT_EQ(RctPixelBytes(c.width, c.height, &total), c.result) << c.width << "x" << c.height;
    if (c.result == 0) {
      EXPECT_EQ(total, c.total);
    }
  }
}

struct DecodeCase {
  const char* name;
  uint32_t width, height;
  Bytes data;
  int result;
  size_t written;  // bytes
  Bytes expected;  // the first `written` bytes of output
};

std::vector<DecodeCase> DecodeCases() {
  Bytes p0 = Pixel(0);
  Bytes row0 = Pixels(0, 4);
  return {
      {"literal of 128 with 7F 00 00", 129, 1, Cat({p0, {0x7F, 0x00, 0x00}, Pixels(1, 128)}),
       kRctDecodeComplete, 129 * 3, Pixels(0, 129)},
      {"83 00 00 repeats the left pixel", 5, 1, Cat({p0, {0x83, 0x00, 0x00}}), kRctDecodeComplete,
       15, Cat({p0, p0, p0, p0, p0})},
      {"short literal then short copy", 3, 1, Cat({p0, {0x00}, Pixel(1), {0x84}}),
       kRctDecodeComplete, 9, Cat({p0, Pixel(1), p0})},
      {"period of two pixels repeats", 9, 1, Cat({p0, {0x00}, Pixel(1), {0x87, 0x03, 0x00}}),
       kRctDecodeComplete, 27, Cat({p0, Pixel(1), p0, Pixel(1), p0, Pixel(1), p0, Pixel(1), p0})},
      // Row 1 starts with the last pixel of row 0 (dx +3, dy -1) and then row 0's first (dx -1, dy -1).
      {"offsets reach across the row edge", 4, 2,
       Cat({p0, {0x02}, Pixels(1, 3), {0x98, 0xA8, 0x01}, Pixels(5, 2)}),
       kRctDecodeComplete, 24, Cat({row0, Pixel(3), Pixel(0), Pixel(5), Pixel(6)})},
      {"copy from the row above", 2, 3, Cat({p0, {0x00}, Pixel(1), {0xA7, 0x00, 0x00}}),
       kRctDecodeComplete, 18, Cat({p0, Pixel(1), p0, Pixel(1), p0, Pixel(1)})},
      {"long copy of 65539 pixels", 65540, 1, Cat({p0, {0x83, 0xFF, 0xFF}}), kRctDecodeComplete,
       65540 * 3, Bytes()},
      {"bytes after the last run are not read", 2, 1, Cat({p0, {0x80, 0x00, 0x05}}),
       kRctDecodeComplete, 6, Cat({p0, p0})},
      {"one pixel needs no run", 1, 1, p0, kRctDecodeComplete, 3, p0},
      {"no data", 2, 1, {}, kRctDecodeTruncated, 0, {}},
      {"first pixel cut", 2, 1, {1, 2}, kRctDecodeTruncated, 0, {}},
      {"no run after the first pixel", 2, 1, p0, kRctDecodeTruncated, 3, p0},
      {"long literal length cut", 200, 1, Cat({p0, {0x7F, 0x00}}), kRctDecodeTruncated, 3, p0},
      {"long copy length cut", 200, 1, Cat({p0, {0x83}}), kRctDecodeTruncated, 3, p0},
      {"literal pixels cut", 3, 1, Cat({p0, {0x01}, Pixel(1), {9, 9}}), kRctDecodeTruncated, 3, p0},
      {"literal past the end", 2, 1, Cat({p0, {0x01}, Pixels(1, 2)}), kRctDecodeOverrun, 3, p0},
      {"copy past the end", 3, 1, Cat({p0, {0x82}}), kRctDecodeOverrun, 3, p0},
      {"copy from before the start", 4, 2, Cat({p0, {0xA4}}), kRctDecodeBadCopy, 3, p0},
      {"copy from before the start, later", 4, 2, Cat({p0, {0x80, 0x80, 0xA4}}),
       kRctDecodeBadCopy, 9, Cat({p0, p0, p0})},
      // In a picture one pixel wide, dx +3 dy -1 points two pixels ahead: output not yet made.
      {"copy from ahead in a narrow picture", 1, 8, Cat({p0, {0x00}, Pixel(1), {0x98}}),
       kRctDecodeBadCopy, 6, Cat({p0, Pixel(1)})},
      {"copy from itself in a picture three wide", 3, 3, Cat({p0, {0x01}, Pixels(1, 2), {0x98}}),
       kRctDecodeBadCopy, 9, Pixels(0, 3)},
  };
}

TEST(DecodeRctPixels, TinyStreams) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.name);
    size_t total = size_t(c.width) * c.height * 3;
    Bytes fast(total, 0xEE), slow(total, 0xEE);
    size_t fast_written = 99, slow_written = 98;
    int fast_result = DecodeRctPixels(c.data.data(), c.data.size(), c.width, fast.data(), total,
                                      &fast_written);
    int slow_result = ReferenceDecodeRct(c.data.data(), c.data.size(), c.width, slow.data(),
                                         total, &slow_written);
    EXPECT_EQ(fast_result, c.result);
    EXPECT_EQ(fast_written, c.written);
    EXPECT_EQ(slow_result, c.result);
    EXPECT_EQ(slow_written, c.written);
    EXPECT_EQ(fast, slow);
    ASSERT_LE(c.expected.size(), fast.size());
    EXPECT_TRUE(std::equal(c.expected.begin(), c.expected.end(), fast.begin()));
    // Nothing beyond what was decoded is touched.
    for (size_t k = fast_written; k < total; ++k) ASSERT_EQ(fast[k], 0xEE) << k;
  }
}

TEST(DecodeRctPixels, LongCopyRepeatsTheFirstPixelEverywhere) {
  Bytes data = Cat({Pixel(9), {0x83, 0xFF, 0xFF}});
  Bytes out(65540 * 3);
  ASSERT_EQ(DecodeRctPixels(data.data(), data.size(), 65540, out.data(), out.size(), nullptr),
            kRctDecodeComplete);
  for (size_t k = 0; k < out.size(); k += 3) ASSERT_EQ(Bytes(out.begin() + k, out.begin() + k + 3), Pixel(9));
}

// Overlapping copies at every offset and length must repeat exactly as byte by byte.
TEST(DecodeRctPixels, OverlappingCopiesMatchTheReference) {
  const uint32_t width = 7, height = 12;
  const size_t total = width * height * 3;
  for (int number = 0; number < kRctOffsetCount; ++number) {
    for (int length : {1, 2, 3, 4, 5, 9, 20, 40}) {
      // 29 literal pixels first (enough history for dy -4), then the copy.
      Bytes data = Cat({Pixel(0), {28}, Pixels(1, 29)});
      if (length <= 3) {
        data.push_back(uint8_t(0x80 | number << 2 | (length - 1)));
      } else {
        data.push_back(uint8_t(0x80 | number << 2 | 3));
        data.push_back(uint8_t(length - 4));
        data.push_back(0);
      }
      Bytes fast(total, 1), slow(total, 1);
      size_t fw = 0, sw = 0;
      int fr = DecodeRctPixels(data.data(), data.size(), width, fast.data(), total, &fw);
      int sr = ReferenceDecodeRct(data.data(), data.size(), width, slow.data(), total, &sw);
      ASSERT_EQ(fr, sr) << number << " " << length;
      ASSERT_EQ(fw, sw) << number << " " << length;
      ASSERT_EQ(fw, size_t(30 + length) * 3) << number << " " << length;
      ASSERT_EQ(fast, slow) << number << " " << length;
    }
  }
}

TEST(SpreadRctRows, Width255MovesEveryRowToItsStride) {
  const int32_t width = 255, height = 5, stride = SurfaceStride(width);
  ASSERT_EQ(stride, 768);
  Bytes packed = Pixels(0, width * height);
  Bytes buffer(size_t(stride) * height, 0);
  std::copy(packed.begin(), packed.end(), buffer.begin());
  SpreadRctRows(buffer.data(), width, height, stride);
  for (int r = 0; r < height; ++r) {
    ASSERT_TRUE(std::equal(packed.begin() + r * width * 3, packed.begin() + (r + 1) * width * 3,
                           buffer.begin() + r * stride))
        << "row " << r;
  }
}

TEST(SpreadRctRows, RowsAlreadyAlignedStay) {
  Bytes packed = Pixels(0, 16);
  Bytes buffer = packed;
  SpreadRctRows(buffer.data(), 4, 4, 12);
  EXPECT_EQ(buffer, packed);
}

TEST(HasRctCheckMark, OnlyTheLastTwoBytesCount) {
  const struct { std::string data; int mark; } cases[] = {
      {"", 0}, {"T", 0}, {"S", 0}, {"TS", 1}, {"xyzTS", 1}, {"ST", 0}, {"TSx", 0}, {"ts", 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(HasRctCheckMark(reinterpret_cast<const uint8_t*>(c.data.data()), c.data.size()),
              c.mark)
        << c.data;
  }
}

TEST(DescrambleRct, TheZeroKeyLeavesDataAsItWas) {
  for (size_t size : {0, 1, 3, 1023, 1024, 1025, 3000}) {
    Bytes data = Pixels(0, int(size / 3 + 1));
    data.resize(size);
    Bytes before = data;
    DescrambleRct(data.data(), data.size());
    EXPECT_EQ(data, before) << size;
  }
}

TEST(ParseRctHeader, ReadsEachSignatureInOrder) {
  const struct { const char* signature; int kind, scrambled, named; } cases[] = {
      {"六丁TC00", kRctTC00, 0, 0},
      {"六丁TS00", kRctTS00, 1, 0},
      {"六丁TC01", kRctTC01, 0, 1},
      {"六丁TS01", kRctTS01, 1, 1},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(strlen(c.signature), kRctSignatureSize);
    Bytes head(c.signature, c.signature + 8);
    head.insert(head.end(), {0x10, 0x02, 0, 0, 0x20, 0, 0, 0, 0x40, 0x30, 0x20, 0x01});
    RctHeader header = {};
    ASSERT_EQ(ParseRctHeader(head.data(), head.size(), &header), 0) << c.signature;
    EXPECT_EQ(header.kind, c.kind);
    EXPECT_EQ(header.scrambled, c.scrambled);
    EXPECT_EQ(header.named, c.named);
    EXPECT_EQ(header.width, 0x210u);
    EXPECT_EQ(header.height, 0x20u);
    EXPECT_EQ(header.dataSize, 0x01203040u);
    EXPECT_EQ(memcmp(RctSignature(c.kind), c.signature, 8), 0);
  }
}

TEST(ParseRctHeader, RefusesOtherSignaturesAndShortHeaders) {
  const char* others[] = {"六丁TC02", "六丁tc00", "XXXXTC00", "六丁TX00", "\x98\x5A\x92\x9A" "TC0"};
  for (const char* other : others) {
    Bytes head(20, 0);
    memcpy(head.data(), other, strlen(other));
    RctHeader header;
    EXPECT_EQ(ParseRctHeader(head.data(), head.size(), &header), -1) << other;
  }
  Bytes head(RctSignature(kRctTC00), RctSignature(kRctTC00) + 8);
  head.resize(19, 1);
  RctHeader header;
  EXPECT_EQ(ParseRctHeader(head.data(), head.size(), &header), -1);
}

Bytes FileOf(int kind, uint32_t width, uint32_t height, const Bytes& data, const char* name = "") {
  Bytes file;
  AssembleRctFile(kind, width, height, name, data.data(), data.size(), &file);
  return file;
}

TEST(DecodeRctFile, EveryKindDecodesTheSamePixels) {
  Bytes stream = Cat({Pixel(0), {0x01}, Pixels(1, 2), {0x80}});
  Bytes marked = Cat({stream, {'T', 'S'}});
  const struct { int kind; Bytes data; const char* name; } cases[] = {
      {kRctTC00, stream, ""},
      {kRctTS00, marked, ""},
      {kRctTC01, stream, "insttscr"},
      {kRctTS01, marked, "名前のある絵"},
      {kRctTC01, stream, ""},
  };
  for (const auto& c : cases) {
    Bytes file = FileOf(c.kind, 2, 2, c.data, c.name);
    RctPicture picture;
    ASSERT_EQ(DecodeRctFile(file.data(), file.size(), &picture), kRctFileOk) << c.kind;
    EXPECT_EQ(Bytes(picture.pixels, picture.pixels + 12), Cat({Pixels(0, 3), Pixel(2)}));
    FreeRctPicture(&picture);
  }
}

TEST(DecodeRctFile, ScrambledDataWithoutTheMarkGivesBlankPixels) {
  Bytes stream = Cat({Pixel(5), {0x80}});
  const struct { int kind; Bytes data; } cases[] = {
      {kRctTS00, stream},
      {kRctTS01, stream},
      {kRctTS00, {'S'}},
      {kRctTS00, Cat({stream, {'S', 'T'}})},
  };
  for (const auto& c : cases) {
    Bytes file = FileOf(c.kind, 2, 1, c.data);
    RctPicture picture;
    ASSERT_EQ(DecodeRctFile(file.data(), file.size(), &picture), kRctFileNoMark);
    ASSERT_NE(picture.pixels, nullptr);
    EXPECT_EQ(Bytes(picture.pixels, picture.pixels + 6), Bytes(6, 0));
    FreeRctPicture(&picture);
  }
}

TEST(DecodeRctFile, DamagedFiles) {
  Bytes stream = Cat({Pixel(0), {0x80}});
  Bytes good = FileOf(kRctTC00, 2, 1, stream);
  Bytes named = FileOf(kRctTC01, 2, 1, stream, "abc");
  Bytes bad_signature = good;
  bad_signature[7] = '9';
  Bytes zero_size = FileOf(kRctTC00, 2, 1, {});
  Bytes huge = FileOf(kRctTC00, 0x10000, 0x10000, stream);
  Bytes empty = FileOf(kRctTC00, 0, 5, stream);
  const struct { const char* name; Bytes file; int result; } cases[] = {
      {"whole", good, kRctFileOk},
      {"header only", Bytes(good.begin(), good.begin() + 20), kRctFileShort},
      {"a single byte", Bytes(good.end() - 1, good.end()), kRctFileNotRct},
      {"last data byte missing", Bytes(good.begin(), good.end() - 1), kRctFileShort},
      {"name cut", Bytes(named.begin(), named.begin() + 23), kRctFileShort},
      {"name length cut", Bytes(named.begin(), named.begin() + 21), kRctFileShort},
      {"other signature", bad_signature, kRctFileNotRct},
      {"no data", zero_size, kRctFileShort},
      {"over 2^31 bytes of pixels", huge, kRctFileBadSize},
      {"no pixels", empty, kRctFileBadSize},
      {"pixels missing", FileOf(kRctTC00, 3, 1, stream), kRctFileCorrupt},
  };
  for (const auto& c : cases) {
    RctPicture picture;
    EXPECT_EQ(DecodeRctFile(c.file.data(), c.file.size(), &picture), c.result) << c.name;
    FreeRctPicture(&picture);
  }
}

}  // namespace
