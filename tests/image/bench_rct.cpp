// Decode speed of a converter-made 1920x1080 picture: the fast decoder and the byte-by-byte one.
#include <benchmark/benchmark.h>

#include <vector>

#include "image/rct.h"
#include "image/rct_encode.h"
#include "rct_reference.h"
#include "test_pictures.h"

namespace {

constexpr uint32_t kWidth = 1920;
constexpr uint32_t kHeight = 1080;

const std::vector<uint8_t>& Stream() {
  static std::vector<uint8_t> data = [] {
    std::vector<uint8_t> bgr = MakeMixedPicture(kWidth, kHeight, 2024);
    std::vector<uint8_t> encoded;
    EncodeRctPixels(bgr.data(), kWidth, kHeight, &encoded);
    return encoded;
  }();
  return data;
}

template <int (*Decode)(const uint8_t*, size_t, uint32_t, uint8_t*, size_t, size_t*)>
void DecodeMixed(benchmark::State& state) {
  const std::vector<uint8_t>& data = Stream();
  std::vector<uint8_t> out(size_t(kWidth) * kHeight * 3);
  for (auto _ : state) {
    int result = Decode(data.data(), data.size(), kWidth, out.data(), out.size(), nullptr);
    benchmark::DoNotOptimize(result);
    benchmark::ClobberMemory();
  }
  // Items are pixels, so items per second reads as pixels per second.
  state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
  state.counters["stream_bytes"] = double(data.size());
}

void EncodeMixed(benchmark::State& state) {
  std::vector<uint8_t> bgr = MakeMixedPicture(kWidth, kHeight, 2024);
  std::vector<uint8_t> encoded;
  for (auto _ : state) {
    EncodeRctPixels(bgr.data(), kWidth, kHeight, &encoded);
    benchmark::DoNotOptimize(encoded.data());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}

}  // namespace

BENCHMARK(DecodeMixed<DecodeRctPixels>)->Name("DecodeFast1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeMixed<ReferenceDecodeRct>)->Name("DecodeByteByByte1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeMixed)->Name("Encode1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
