// Image surfaces: 24-bit top-down DIB sections whose pixels the program writes directly.
#pragma once
#include <cstdint>
#include <windows.h>

struct Surface {
  int32_t width;
  int32_t height;
  int32_t stride;        // width * 3 rounded up to a multiple of 4
  BITMAPINFO* header;    // owned; a BITMAPINFOHEADER with negative height, no colour table
  uint8_t* pixels;       // the DIB section's memory, rows top to bottom, blue-green-red
  HBITMAP bitmap;
};

// A new surface, or null (after the out-of-memory notice) when it cannot be made.
Surface* CreateSurface(int32_t width, int32_t height);
// Releases a surface; null is left alone.
void FreeSurface(Surface* surface);
