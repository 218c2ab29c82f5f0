// mkupdate picture: converts PNG or BMP pictures to TC00 RCT files, and RCT files of any kind to PNG.
#include "picture.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/rct.h"
#include "image/rct_encode.h"

#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_NO_HDR
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#include <stb_image.h>
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

// Larger pictures are refused: the updater's window could never show them anyway.
constexpr uint32_t kMaxSide = 16384;
// Input files are read whole; nothing near this size is a sensible picture.
constexpr long kMaxInputSize = 0x7FFFFFFF;

const char* kUsage = "usage: mkupdate picture IN.png|IN.bmp OUT.rct\n"
                     "       mkupdate picture IN.rct OUT.png|OUT.bmp\n";

int Fail(const char* format, const char* a, const char* b = "") {
  fprintf(stderr, "mkupdate picture: ");
  fprintf(stderr, format, a, b);
  fprintf(stderr, "\n");
  return 1;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return false;
  bool ok = false;
  long size = -1;
  if (fseek(file, 0, SEEK_END) == 0) size = ftell(file);
  if (size >= 0 && size <= kMaxInputSize && fseek(file, 0, SEEK_SET) == 0) {
    bytes->resize(size_t(size));
    ok = size == 0 || fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
  }
  fclose(file);
  return ok;
}

bool WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path, "wb");
  if (file == nullptr) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = fclose(file) == 0 && ok;
  return ok;
}

bool EndsWithNoCase(const char* text, const char* tail) {
  size_t n = strlen(text), m = strlen(tail);
  if (n < m) return false;
  for (size_t i = 0; i < m; ++i) {
    char c = text[n - m + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

bool SizeAcceptable(uint32_t width, uint32_t height) {
  return width <= kMaxSide && height <= kMaxSide && RctPixelBytes(width, height, nullptr) == 0;
}

const char* DescribeFailure(int result) {
  switch (result) {
    case kRctFileShort: return "is shorter than its header declares";
    case kRctFileBadSize: return "declares a size that is empty or too large";
    case kRctFileNoMark: return "carries scrambled data without its check mark";
    case kRctFileCorrupt: return "has damaged pixel data";
    case kRctFileNoMemory: return "is too large for the memory available";
    default: return "is no RCT picture";
  }
}

int RctToPicture(const char* in, const char* out, const std::vector<uint8_t>& bytes) {
  // The declared size is judged before the pixels are allocated.
  RctHeader header;
  if (ParseRctHeader(bytes.data(), bytes.size(), &header) == 0 &&
      !SizeAcceptable(header.width, header.height)) {
    return Fail("%s is too large or empty (at most 16384 x 16384 pixels)%s", in);
  }
  RctPicture picture;
  int result = DecodeRctFile(bytes.data(), bytes.size(), &picture);
  if (result != kRctFileOk) {
    FreeRctPicture(&picture);
    return Fail("%s %s", in, DescribeFailure(result));
  }
  int width = int(picture.header.width), height = int(picture.header.height);
  // The file holds blue-green-red; the picture libraries want red-green-blue.
  uint8_t* p = picture.pixels;
  for (size_t i = 0, n = size_t(width) * size_t(height); i < n; ++i, p += 3) {
    uint8_t blue = p[0];
    p[0] = p[2];
    p[2] = blue;
  }
  int written = EndsWithNoCase(out, ".bmp")
                    ? stbi_write_bmp(out, width, height, 3, picture.pixels)
                    : stbi_write_png(out, width, height, 3, picture.pixels, width * 3);
  FreeRctPicture(&picture);
  if (!written) return Fail("cannot write %s%s", out);
  printf("%s: %dx%d picture written to %s\n", in, width, height, out);
  return 0;
}

int PictureToRct(const char* in, const char* out, const std::vector<uint8_t>& bytes) {
  if (bytes.size() > size_t(INT32_MAX)) return Fail("%s is too large%s", in);
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(bytes.data(), int(bytes.size()), &width, &height, &channels)) {
    return Fail("%s is no PNG, BMP or RCT picture (%s)", in, stbi_failure_reason());
  }
  if (width <= 0 || height <= 0 || !SizeAcceptable(uint32_t(width), uint32_t(height))) {
    return Fail("%s is too large (at most 16384 x 16384 pixels)%s", in);
  }
  uint8_t* rgb = stbi_load_from_memory(bytes.data(), int(bytes.size()), &width, &height, &channels, 3);
  if (rgb == nullptr) return Fail("cannot decode %s (%s)", in, stbi_failure_reason());
  size_t count = size_t(width) * size_t(height);
  for (size_t i = 0; i < count; ++i) {
    uint8_t red = rgb[3 * i];
    rgb[3 * i] = rgb[3 * i + 2];
    rgb[3 * i + 2] = red;
  }
  std::vector<uint8_t> file = EncodeRctTC00(rgb, uint32_t(width), uint32_t(height));
  stbi_image_free(rgb);
  if (file.empty()) return Fail("cannot encode %s%s", in);
  if (!WriteWholeFile(out, file)) return Fail("cannot write %s%s", out);
  printf("%s: %dx%d picture written to %s (%lu bytes)\n", in, width, height, out, (unsigned long)file.size());
  return 0;
}

}  // namespace

int RunPictureCommand(int argc, char** argv) {
  if (argc != 3) {
    fputs(kUsage, stderr);
    return 2;
  }
  const char* in = argv[1];
  const char* out = argv[2];
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(in, &bytes)) return Fail("cannot read %s%s", in);
  if (bytes.size() >= kRctSignatureSize && memcmp(bytes.data(), RctSignature(kRctTC00), 4) == 0) {
    return RctToPicture(in, out, bytes);
  }
  return PictureToRct(in, out, bytes);
}
