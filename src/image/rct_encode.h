// Writing RCT pictures: the TC00 pixel encoder and the assembly of files of the four kinds.
//
// The encoder looks for the longest match among the 32 copy offsets at every pixel (the left
// neighbours and the four rows above), writes copies of up to 65539 pixels and gathers the pixels
// no offset repeats into literal runs of up to 65663. Its output decodes, through DecodeRctPixels,
// to exactly the input pixels.
//
// Building a picture file in memory from pixels, for example in a test:
//   std::vector<uint8_t> file = EncodeRctTC00(bgr, width, height);  // empty for a bad size
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Compressed pixel data for packed blue-green-red pixels, width * height * 3 bytes, into `data`.
// 0, or -1 (and `data` empty) when the size is one RctPixelBytes refuses.
int EncodeRctPixels(const uint8_t* bgr, uint32_t width, uint32_t height, std::vector<uint8_t>* data);

// A file of `kind` (RctKind) around `size` bytes of pixel data taken as they are: the header,
// for the 01 kinds the name length and `name` (null for none, at most 65535 bytes). The TS kinds
// are not given their mark here; EncodeRct does that.
void AssembleRctFile(int kind, uint32_t width, uint32_t height, const char* name,
                     const uint8_t* data, size_t size, std::vector<uint8_t>* file);

// A whole file of `kind` for the pixels: encoded data, for the TS kinds followed by the mark
// "TS" and scrambled. 0, or -1 (and `file` empty) for a bad size or kind.
int EncodeRct(int kind, const uint8_t* bgr, uint32_t width, uint32_t height, const char* name,
              std::vector<uint8_t>* file);

// The TC00 file for the pixels; empty for a bad size.
std::vector<uint8_t> EncodeRctTC00(const uint8_t* bgr, uint32_t width, uint32_t height);
