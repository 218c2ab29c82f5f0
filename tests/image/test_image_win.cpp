// Surfaces and picture loading on the real GDI: headers, strides, row spreading, every kind of file.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/rct.h"
#include "image/rct_encode.h"
#include "image/rct_image.h"
#include "image/surface.h"
#include "stand_ins.h"
#include "test_pictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string WriteFile(const char* name, const Bytes& bytes) {
  char folder[MAX_PATH];
  GetTempPathA(sizeof(folder), folder);
  std::string path = std::string(folder) + "zolmir_image_" + name;
  FILE* file = fopen(path.c_str(), "wb");
  if (file != nullptr) {
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
  }
  return path;
}

// The surface's rows, without the filler bytes at their ends.
Bytes RowsOf(const Surface* surface) {
  Bytes rows;
  for (int r = 0; r < surface->height; ++r) {
    const uint8_t* row = surface->pixels + size_t(r) * surface->stride;
    rows.insert(rows.end(), row, row + size_t(surface->width) * 3);
  }
  return rows;
}

class ImageWin : public ::testing::Test {
 protected:
  void SetUp() override { ResetStandIns(); }
};

TEST_F(ImageWin, CreateSurfaceFillsTheHeaderAndStride) {
  const struct { int32_t width, height, stride; } cases[] = {
      {1, 1, 4}, {4, 3, 12}, {5, 2, 16}, {255, 4, 768}, {256, 1, 768}};
  for (const auto& c : cases) {
    Surface* surface = CreateSurface(c.width, c.height);
    ASSERT_NE(surface, nullptr) << c.width;
    EXPECT_EQ(surface->width, c.width);
    EXPECT_EQ(surface->height, c.height);
    EXPECT_EQ(surface->stride, c.stride);
    const BITMAPINFOHEADER& info = surface->header->bmiHeader;
    EXPECT_EQ(info.biSize, 40u);
    EXPECT_EQ(info.biWidth, c.width);
    EXPECT_EQ(info.biHeight, -c.height);
    EXPECT_EQ(info.biPlanes, 1);
    EXPECT_EQ(info.biBitCount, 24);
    EXPECT_EQ(info.biCompression, DWORD(BI_RGB));
    EXPECT_EQ(info.biSizeImage, 0u);
    EXPECT_EQ(info.biClrUsed, 0u);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectA(surface->bitmap, sizeof(dib), &dib), int(sizeof(dib)));
    EXPECT_EQ(dib.dsBm.bmBits, surface->pixels);
    EXPECT_EQ(dib.dsBm.bmWidthBytes, c.stride);
    // Every byte of the pixel memory can be written.
    memset(surface->pixels, 0x33, size_t(c.stride) * c.height);
    FreeSurface(surface);
  }
}

TEST_F(ImageWin, RowZeroIsTheTopRowOnScreen) {
  Surface* surface = CreateSurface(2, 2);
  ASSERT_NE(surface, nullptr);
  memset(surface->pixels, 0, size_t(surface->stride) * 2);
  surface->pixels[2] = 0xFF;  // top-left pixel red
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 2, 2);
  HGDIOBJ old = SelectObject(dc, target);
  StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, surface->pixels, surface->header, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 0, 0));
  SelectObject(dc, old);
  DeleteObject(target);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  FreeSurface(surface);
}

TEST_F(ImageWin, CreateSurfaceGivesNullWhenMemoryOrTheBitmapCannotBeHad) {
  FreeSurface(nullptr);
  for (int refused : {1, 2}) {
    ResetStandIns();
    g_fail_alloc_at = refused;
    EXPECT_EQ(CreateSurface(10, 10), nullptr) << refused;
    EXPECT_EQ(g_alloc_notices, 1);
  }
  ResetStandIns();
  EXPECT_EQ(CreateSurface(0x7FFF, 0x7FFF), nullptr);  // 3 GB of pixels
  EXPECT_EQ(CreateSurface(-5, 3), nullptr);
  EXPECT_EQ(CreateSurface(5, 0), nullptr);
  EXPECT_EQ(g_alloc_notices, 0);
  // Each refusal released what it had: the heap still serves the next surface.
  Surface* surface = CreateSurface(3, 3);
  ASSERT_NE(surface, nullptr);
  FreeSurface(surface);
}

TEST_F(ImageWin, LoadsNamedAndScrambledPicturesWithTheirRowsSpread) {
  const uint32_t width = 255, height = 9;
  Bytes bgr = MakeMixedPicture(width, height, 6);
  for (int kind : {kRctTC00, kRctTS00, kRctTC01, kRctTS01}) {
    Bytes file;
    ASSERT_EQ(EncodeRct(kind, bgr.data(), width, height, "insttscr", &file), 0);
    std::string path = WriteFile("kind.rct", file);
    ResetStandIns();
    Surface* surface = LoadRctImage(path.c_str());
    ASSERT_NE(surface, nullptr) << kind;
    EXPECT_EQ(g_ffopen_calls, 1);
    EXPECT_EQ(surface->width, int32_t(width));
    EXPECT_EQ(surface->height, int32_t(height));
    EXPECT_EQ(surface->stride, 768);
    EXPECT_TRUE(RowsOf(surface) == bgr) << kind;
    FreeSurface(surface);
    EXPECT_NE(DeleteFileA(path.c_str()), 0) << "the file was left open";
  }
}

TEST_F(ImageWin, ScrambledDataWithoutTheMarkGivesABlankSurface) {
  Bytes bgr = MakeNoisePicture(6, 4, 3);
  Bytes data;
  ASSERT_EQ(EncodeRctPixels(bgr.data(), 6, 4, &data), 0);
  for (const Bytes& stream : {data, Bytes{'S'}}) {
    Bytes file;
    AssembleRctFile(kRctTS00, 6, 4, nullptr, stream.data(), stream.size(), &file);
    Surface* surface = LoadRctImage(WriteFile("unmarked.rct", file).c_str());
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->width, 6);
    EXPECT_EQ(surface->height, 4);
    EXPECT_TRUE(RowsOf(surface) == Bytes(6 * 4 * 3, 0));
    FreeSurface(surface);
  }
}

TEST_F(ImageWin, CorruptDataKeepsWhatWasDecoded) {
  // First pixel, a copy of one, then a copy from before the start: two pixels, the rest blank.
  Bytes stream = {9, 8, 7, 0x80, 0xA4, 0x00, 1, 2, 3};
  Bytes file;
  AssembleRctFile(kRctTC00, 3, 2, nullptr, stream.data(), stream.size(), &file);
  Surface* surface = LoadRctImage(WriteFile("corrupt.rct", file).c_str());
  ASSERT_NE(surface, nullptr);
  Bytes expected(3 * 2 * 3, 0);
  for (int k = 0; k < 6; ++k) expected[k] = uint8_t(9 - k % 3);
  EXPECT_TRUE(RowsOf(surface) == expected);
  FreeSurface(surface);
}

TEST_F(ImageWin, FilesThatGiveNoSurface) {
  Bytes good = EncodeRctTC00(MakeNoisePicture(4, 4, 1).data(), 4, 4);
  Bytes other = good;
  other[4] = 'X';
  Bytes cut(good.begin(), good.end() - 1);
  Bytes header_only(good.begin(), good.begin() + 19);
  Bytes no_data;
  AssembleRctFile(kRctTC00, 4, 4, nullptr, nullptr, 0, &no_data);
  Bytes oversized;
  AssembleRctFile(kRctTC00, 0x10000, 0x10000, nullptr, good.data() + 20, good.size() - 20, &oversized);
  Bytes no_pixels;
  AssembleRctFile(kRctTC00, 0, 4, nullptr, good.data() + 20, good.size() - 20, &no_pixels);
  Bytes named_cut;
  AssembleRctFile(kRctTC01, 4, 4, "a long name", good.data() + 20, good.size() - 20, &named_cut);
  named_cut.resize(24);
  const struct { const char* name; Bytes file; int opens; } cases[] = {
      {"other signature", other, 1},
      {"data one byte short", cut, 3},
      {"header cut", header_only, 3},
      {"data size 0", no_data, 3},
      {"name cut", named_cut, 3},
      {"width x height x 3 over 2^31", oversized, 1},
      {"no pixels", no_pixels, 1},
  };
  for (const auto& c : cases) {
    std::string path = WriteFile("refused.rct", c.file);
    ResetStandIns();
    EXPECT_EQ(LoadRctImage(path.c_str()), nullptr) << c.name;
    EXPECT_EQ(g_ffopen_calls, c.opens) << c.name;
    EXPECT_EQ(g_alloc_notices, 0) << c.name;
    EXPECT_NE(DeleteFileA(path.c_str()), 0) << c.name << ": the file was left open";
  }
  ResetStandIns();
  EXPECT_EQ(LoadRctImage("zolmir_image_no_such_file.rct"), nullptr);
}

TEST_F(ImageWin, NoMemoryForTheDataGivesNull) {
  Bytes good = EncodeRctTC00(MakeNoisePicture(4, 4, 1).data(), 4, 4);
  std::string path = WriteFile("memory.rct", good);
  g_fail_alloc_at = 1;
  EXPECT_EQ(LoadRctImage(path.c_str()), nullptr);
  EXPECT_EQ(g_alloc_notices, 1);
  EXPECT_EQ(g_ffopen_calls, 1);
}

}  // namespace
