// Unit tests of the TC00 encoder: exact round trips through the decoder, and golden pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/rct.h"
#include "image/rct_encode.h"
#include "rct_reference.h"
#include "test_pictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Flat(uint32_t width, uint32_t height) {
  Bytes bgr(size_t(width) * height * 3);
  for (size_t k = 0; k < bgr.size(); k += 3) {
    bgr[k] = 10;
    bgr[k + 1] = 20;
    bgr[k + 2] = 30;
  }
  return bgr;
}

void ExpectRoundTrip(const Bytes& bgr, uint32_t width, uint32_t height, const char* what) {
  SCOPED_TRACE(std::string(what) + " " + std::to_string(width) + "x" + std::to_string(height));
  Bytes data;
  ASSERT_EQ(EncodeRctPixels(bgr.data(), width, height, &data), 0);
  Bytes fast(bgr.size(), 0x5A), slow(bgr.size(), 0x5A);
  size_t written = 0;
  ASSERT_EQ(DecodeRctPixels(data.data(), data.size(), width, fast.data(), fast.size(), &written),
            kRctDecodeComplete);
  EXPECT_EQ(written, bgr.size());
  EXPECT_TRUE(fast == bgr);
  ASSERT_EQ(ReferenceDecodeRct(data.data(), data.size(), width, slow.data(), slow.size(), nullptr),
            kRctDecodeComplete);
  EXPECT_TRUE(slow == bgr);
  // The stream ends with the last pixel: a decoder given one byte less must run short.
  if (data.size() > 3) {
    EXPECT_NE(DecodeRctPixels(data.data(), data.size() - 1, width, fast.data(), fast.size(), nullptr),
              kRctDecodeComplete);
  }
}

TEST(EncodeRctPixels, RoundTripsRandomAndStructuredPictures) {
  const struct { uint32_t width, height; } sizes[] = {
      {1, 1}, {1, 7}, {2, 2}, {3, 5}, {4, 4}, {7, 3}, {2, 100}, {255, 3}, {64, 64}, {301, 17}};
  for (const auto& s : sizes) {
    for (uint32_t seed : {1u, 77u}) {
      ExpectRoundTrip(MakeNoisePicture(s.width, s.height, seed), s.width, s.height, "noise");
      ExpectRoundTrip(MakePalettePicture(s.width, s.height, seed), s.width, s.height, "palette");
      ExpectRoundTrip(MakeMixedPicture(s.width, s.height, seed), s.width, s.height, "mixed");
    }
    ExpectRoundTrip(Flat(s.width, s.height), s.width, s.height, "flat");
  }
}

TEST(EncodeRctPixels, LongRunsSplitAtTheirLimits) {
  // 300 x 300 = 90000 pixels: more than one long literal (65663) and one long copy (65539).
  ExpectRoundTrip(MakeNoisePicture(300, 300, 5), 300, 300, "noise");
  ExpectRoundTrip(Flat(300, 300), 300, 300, "flat");
  Bytes data;
  ASSERT_EQ(EncodeRctPixels(Flat(300, 300).data(), 300, 300, &data), 0);
  // First pixel, one long copy of 65539 and one of the remaining 24460.
  EXPECT_EQ(data.size(), 3u + 3u + 3u);
  ASSERT_EQ(EncodeRctPixels(MakeNoisePicture(300, 300, 5).data(), 300, 300, &data), 0);
  EXPECT_LE(data.size(), 90000u * 3u + 8u);
}

TEST(EncodeRctPixels, UsesRowsAboveAndShortCopies) {
  // Rows repeat the row above after a shift: only dy offsets and short copies find them.
  const uint32_t width = 97, height = 40;
  Bytes row = MakeNoisePicture(width + 8, 1, 9);
  Bytes bgr(size_t(width) * height * 3);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) bgr[(y * width + x) * 3 + c] = row[((x + y * 3) % (width + 8)) * 3 + c];
    }
  }
  ExpectRoundTrip(bgr, width, height, "shifted rows");
  Bytes data;
  ASSERT_EQ(EncodeRctPixels(bgr.data(), width, height, &data), 0);
  EXPECT_LT(data.size(), bgr.size() / 4);
}

TEST(EncodeRctPixels, RefusesBadSizes) {
  Bytes data = {1, 2, 3};
  Bytes bgr(3);
  EXPECT_EQ(EncodeRctPixels(bgr.data(), 0, 1, &data), -1);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(EncodeRctPixels(bgr.data(), 0x10000, 0x10000, &data), -1);
  EXPECT_TRUE(EncodeRctTC00(bgr.data(), 1, 0).empty());
}

TEST(EncodeRct, EveryKindDecodesToThePixels) {
  Bytes bgr = MakeMixedPicture(33, 21, 3);
  for (int kind : {kRctTC00, kRctTS00, kRctTC01, kRctTS01}) {
    Bytes file;
    ASSERT_EQ(EncodeRct(kind, bgr.data(), 33, 21, "絵", &file), 0);
    RctPicture picture;
    ASSERT_EQ(DecodeRctFile(file.data(), file.size(), &picture), kRctFileOk) << kind;
    EXPECT_EQ(picture.header.kind, kind);
    EXPECT_TRUE(Bytes(picture.pixels, picture.pixels + bgr.size()) == bgr);
    FreeRctPicture(&picture);
  }
  Bytes file;
  EXPECT_EQ(EncodeRct(7, bgr.data(), 33, 21, nullptr, &file), -1);
}

// Pictures made by the encoder: any change of the encoder or decoder shows here.
TEST(EncodeRct, GoldenGeneratedPictures) {
  const struct {
    const char* name;
    int kind;
    uint32_t width, height;
    size_t file_size;
    uint64_t file_hash;
    uint64_t pixel_hash;
  } cases[] = {
      {"mixed", kRctTC00, 64, 48, 6173, 0x04a31bbf9cff363full, 0xf7b78acb1f7ca83cull},
      {"noise", kRctTS00, 17, 9, 484, 0xdd0e3f12c9941376ull, 0xeef37cc5743b6c60ull},
      {"palette", kRctTC01, 40, 30, 561, 0xbfac574e6473986eull, 0x30c49af08423b2a5ull},
      {"mixed", kRctTS01, 255, 7, 3122, 0xf71d890458a6106full, 0x06923ea66b15f3caull},
  };
  for (const auto& c : cases) {
    Bytes bgr = std::string(c.name) == "noise"     ? MakeNoisePicture(c.width, c.height, 11)
                : std::string(c.name) == "palette" ? MakePalettePicture(c.width, c.height, 11)
                                                   : MakeMixedPicture(c.width, c.height, 11);
    Bytes file;
    ASSERT_EQ(EncodeRct(c.kind, bgr.data(), c.width, c.height, c.name, &file), 0);
    RctPicture picture;
    ASSERT_EQ(DecodeRctFile(file.data(), file.size(), &picture), kRctFileOk);
    uint64_t pixel_hash = HashBytes(picture.pixels, bgr.size());
    FreeRctPicture(&picture);
    EXPECT_EQ(file.size(), c.file_size) << c.name;
    EXPECT_EQ(HashBytes(file.data(), file.size()), c.file_hash) << c.name;
    EXPECT_EQ(pixel_hash, c.pixel_hash) << c.name;
  }
}

Bytes ReadFile(const std::string& path) {
  Bytes bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  int c;
  while ((c = fgetc(file)) != EOF) bytes.push_back(uint8_t(c));
  fclose(file);
  return bytes;
}

// Checked-in pictures made by the converter, decoded without the encoder's help.
TEST(DecodeRctFile, GoldenCheckedInPictures) {
  const struct {
    const char* file;
    uint32_t width, height;
    int result;
    uint64_t pixel_hash;
  } cases[] = {
      {"gradient_tc00.rct", 48, 32, kRctFileOk, 0xb9777cff8cd5b925ull},
      {"cut_tc00.rct", 48, 32, kRctFileCorrupt, 0xbe04f4f14367cb0dull},
      {"menu_ts01.rct", 40, 30, kRctFileOk, 0x23dd7f2bc21247c9ull},
      {"unmarked_ts00.rct", 40, 30, kRctFileNoMark, 0xb98c0c5ef93b7c65ull},
  };
  for (const auto& c : cases) {
    Bytes bytes = ReadFile(std::string(ZOLMIR_IMAGE_DATA) + "/" + c.file);
    ASSERT_FALSE(bytes.empty()) << c.file;
    RctPicture picture;
    int result = DecodeRctFile(bytes.data(), bytes.size(), &picture);
    uint64_t hash = picture.pixels == nullptr
                        ? 0
                        : HashBytes(picture.pixels, size_t(picture.header.width) * picture.header.height * 3);
    FreeRctPicture(&picture);
    EXPECT_EQ(picture.header.width, c.width) << c.file;
    EXPECT_EQ(picture.header.height, c.height) << c.file;
    EXPECT_EQ(result, c.result) << c.file;
    EXPECT_EQ(hash, c.pixel_hash) << c.file;
  }
}

}  // namespace
