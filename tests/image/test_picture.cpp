// Tests of `mkupdate picture`: PNG and BMP to RCT and back, and its refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/rct.h"
#include "image/rct_encode.h"
#include "picture.h"
#include "test_pictures.h"

#include <stb_image.h>
#include <stb_image_write.h>

namespace {

using Bytes = std::vector<uint8_t>;

std::string Scratch(const char* name) {
  return std::string(::testing::TempDir()) + "zolmir_image_" + name;
}

int RunPicture(const std::string& in, const std::string& out) {
  std::string command = "picture";
  char* argv[] = {&command[0], const_cast<char*>(in.c_str()), const_cast<char*>(out.c_str())};
  return RunPictureCommand(3, argv);
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

Bytes ReadBytes(const std::string& path) {
  Bytes bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  int c;
  while ((c = fgetc(file)) != EOF) bytes.push_back(uint8_t(c));
  fclose(file);
  return bytes;
}

Bytes SwapRedBlue(Bytes pixels) {
  for (size_t k = 0; k + 2 < pixels.size(); k += 3) std::swap(pixels[k], pixels[k + 2]);
  return pixels;
}

TEST(PictureCommand, PngAndBmpBecomeTc00AndBackExactly) {
  const uint32_t width = 70, height = 45;
  Bytes rgb = MakeMixedPicture(width, height, 4);
  std::string png = Scratch("in.png"), bmp = Scratch("in.bmp");
  ASSERT_NE(stbi_write_png(png.c_str(), width, height, 3, rgb.data(), width * 3), 0);
  ASSERT_NE(stbi_write_bmp(bmp.c_str(), width, height, 3, rgb.data()), 0);
  for (const std::string& in : {png, bmp}) {
    std::string rct = Scratch("out.rct"), back = Scratch("back.png");
    ASSERT_EQ(RunPicture(in, rct), 0) << in;
    Bytes file = ReadBytes(rct);
    RctPicture picture;
    ASSERT_EQ(DecodeRctFile(file.data(), file.size(), &picture), kRctFileOk);
    EXPECT_EQ(picture.header.kind, kRctTC00);
    EXPECT_EQ(picture.header.width, width);
    EXPECT_EQ(picture.header.height, height);
    EXPECT_TRUE(Bytes(picture.pixels, picture.pixels + rgb.size()) == SwapRedBlue(rgb));
    FreeRctPicture(&picture);

    ASSERT_EQ(RunPicture(rct, back), 0);
    int w = 0, h = 0, n = 0;
    uint8_t* again = stbi_load(back.c_str(), &w, &h, &n, 3);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(w, int(width));
    EXPECT_EQ(h, int(height));
    EXPECT_TRUE(Bytes(again, again + rgb.size()) == rgb);
    stbi_image_free(again);
  }
}

TEST(PictureCommand, DecodesEveryKindToPng) {
  Bytes bgr = MakePalettePicture(9, 6, 2);
  for (int kind : {kRctTC00, kRctTS00, kRctTC01, kRctTS01}) {
    Bytes file;
    ASSERT_EQ(EncodeRct(kind, bgr.data(), 9, 6, "name", &file), 0);
    std::string rct = Scratch("kind.rct"), png = Scratch("kind.png");
    WriteBytes(rct, file);
    ASSERT_EQ(RunPicture(rct, png), 0) << kind;
    int w = 0, h = 0, n = 0;
    uint8_t* rgb = stbi_load(png.c_str(), &w, &h, &n, 3);
    ASSERT_NE(rgb, nullptr);
    EXPECT_TRUE(Bytes(rgb, rgb + bgr.size()) == SwapRedBlue(bgr)) << kind;
    stbi_image_free(rgb);
  }
}

TEST(PictureCommand, RefusesWhatItCannotConvert) {
  std::string missing = Scratch("missing.png");
  remove(missing.c_str());
  std::string text = Scratch("text.png");
  WriteBytes(text, Bytes{'n', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
  std::string empty = Scratch("empty.png");
  WriteBytes(empty, Bytes());
  // A PNG wider than the limit: one row of 16385 pixels compresses to almost nothing.
  std::string wide = Scratch("wide.png");
  Bytes row(16385 * 3, 7);
  ASSERT_NE(stbi_write_png(wide.c_str(), 16385, 1, 3, row.data(), 16385 * 3), 0);
  // RCT files that cannot give a picture.
  Bytes stream = {1, 2, 3, 0x80};
  Bytes damaged;
  AssembleRctFile(kRctTC00, 3, 1, nullptr, stream.data(), stream.size(), &damaged);
  std::string damaged_rct = Scratch("damaged.rct");
  WriteBytes(damaged_rct, damaged);
  Bytes unmarked;
  AssembleRctFile(kRctTS00, 2, 1, nullptr, stream.data(), stream.size(), &unmarked);
  std::string unmarked_rct = Scratch("unmarked.rct");
  WriteBytes(unmarked_rct, unmarked);
  Bytes huge;
  AssembleRctFile(kRctTC00, 20000, 20000, nullptr, stream.data(), stream.size(), &huge);
  std::string huge_rct = Scratch("huge.rct");
  WriteBytes(huge_rct, huge);

  const std::string out = Scratch("refused.out");
  for (const std::string& in : {missing, text, empty, wide, damaged_rct, unmarked_rct, huge_rct}) {
    remove(out.c_str());
    EXPECT_EQ(RunPicture(in, out), 1) << in;
    EXPECT_TRUE(ReadBytes(out).empty()) << in;
  }
  std::string command = "picture";
  char* argv[] = {&command[0]};
  EXPECT_EQ(RunPictureCommand(1, argv), 2);
}

}  // namespace
