// Deterministic test pictures (packed blue-green-red): noise, gradients, flat areas and mixtures.
#pragma once
#include <cstdint>
#include <vector>

// xorshift32, so every run and platform gets the same pictures.
inline uint32_t NextRandom(uint32_t* state) {
  uint32_t x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return *state = x;
}

inline std::vector<uint8_t> MakeNoisePicture(uint32_t width, uint32_t height, uint32_t seed) {
  std::vector<uint8_t> bgr(size_t(width) * height * 3);
  uint32_t state = seed | 1;
  for (auto& b : bgr) b = uint8_t(NextRandom(&state) >> 24);
  return bgr;
}

// Few colours picked at random: many short matches at every kind of offset.
inline std::vector<uint8_t> MakePalettePicture(uint32_t width, uint32_t height, uint32_t seed) {
  std::vector<uint8_t> bgr(size_t(width) * height * 3);
  uint32_t state = seed | 1;
  for (size_t p = 0; p < size_t(width) * height; ++p) {
    uint32_t colour = NextRandom(&state) % 3;
    bgr[3 * p] = uint8_t(colour * 90);
    bgr[3 * p + 1] = uint8_t(colour * 40);
    bgr[3 * p + 2] = uint8_t(255 - colour * 70);
  }
  return bgr;
}

// Three bands: flat colours in blocks, a diagonal gradient, then noise, as a menu picture with
// a photograph in it might be.
inline std::vector<uint8_t> MakeMixedPicture(uint32_t width, uint32_t height, uint32_t seed) {
  std::vector<uint8_t> bgr(size_t(width) * height * 3);
  uint32_t state = seed | 1;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = &bgr[(size_t(y) * width + x) * 3];
      uint32_t band = y * 3 / height;
      if (band == 0) {
        uint32_t block = (x / 64 + y / 48) % 4;
        p[0] = uint8_t(block * 60);
        p[1] = uint8_t(200 - block * 40);
        p[2] = uint8_t(30 + block * 50);
      } else if (band == 1) {
        p[0] = uint8_t(x * 255 / (width > 1 ? width - 1 : 1));
        p[1] = uint8_t((x + y) / 4);
        p[2] = uint8_t(y * 255 / (height > 1 ? height - 1 : 1));
      } else {
        uint32_t r = NextRandom(&state);
        p[0] = uint8_t(r);
        p[1] = uint8_t(r >> 8);
        p[2] = uint8_t(r >> 16);
      }
    }
  }
  return bgr;
}
