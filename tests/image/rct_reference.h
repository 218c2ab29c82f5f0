// Byte-by-byte RCT pixel decoder: the plain definition, kept as the oracle for the fast decoder.
#pragma once
#include <cstddef>
#include <cstdint>

// Same contract and results as DecodeRctPixels, one byte at a time.
int ReferenceDecodeRct(const uint8_t* data, size_t size, uint32_t width, uint8_t* out, size_t total,
                       size_t* written);

// FNV-1a, 64 bits.
uint64_t HashBytes(const uint8_t* bytes, size_t size);
