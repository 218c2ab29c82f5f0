// Differential fuzz target: the fast RCT decoder against the byte-by-byte one, on any input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/rct.h"
#include "rct_reference.h"

namespace {
// Whole files with larger pictures than this are only parsed, not decoded.
constexpr uint64_t kMaxFilePixels = 1 << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size < 3) return 0;
  // Whole files exercise the parsing; the rest picks a picture size and is a pixel stream.
  if (size >= kRctHeaderSize && input[0] == 0x98) {
    RctHeader header;
    if (ParseRctHeader(input, size, &header) == 0 &&
        uint64_t(header.width) * header.height <= kMaxFilePixels) {
      RctPicture picture;
      DecodeRctFile(input, size, &picture);
      FreeRctPicture(&picture);
    }
    return 0;
  }
  uint32_t width = uint32_t(input[0] | (input[1] & 1) << 8) + 1;   // 1 to 512
  uint32_t height = uint32_t(input[2] & 0x3F) + 1;                 // 1 to 64
  const uint8_t* data = input + 3;
  size_t data_size = size - 3;
  size_t total = size_t(width) * height * 3;
  std::vector<uint8_t> fast(total, 0xA5), slow(total, 0xA5);
  size_t fast_written = 0, slow_written = 0;
  int fast_result = DecodeRctPixels(data, data_size, width, fast.data(), total, &fast_written);
  int slow_result = ReferenceDecodeRct(data, data_size, width, slow.data(), total, &slow_written);
  if (fast_result != slow_result || fast_written != slow_written || fast != slow) abort();
  return 0;
}
