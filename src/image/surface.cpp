// Image surfaces: 24-bit top-down DIB sections whose pixel memory the program writes directly.
#include "image/surface.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/rct.h"
#include "shell/services.h"

Surface* CreateSurface(int32_t width, int32_t height) {
  Surface* surface = static_cast<Surface*>(AllocOrWarn(sizeof(Surface)));
  if (surface == nullptr) return nullptr;
  memset(surface, 0, sizeof(Surface));
  surface->width = width;
  surface->height = height;
  surface->stride = SurfaceStride(width);

  surface->header = static_cast<BITMAPINFO*>(AllocOrWarn(sizeof(BITMAPINFOHEADER)));
  if (surface->header == nullptr) {
    free(surface);
    return nullptr;
  }
  memset(surface->header, 0, sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER* info = &surface->header->bmiHeader;
  info->biSize = sizeof(BITMAPINFOHEADER);
  info->biWidth = width;
  info->biHeight = -height;  // negative: row 0 is the top row
  info->biPlanes = 1;
  info->biBitCount = 24;
  info->biCompression = BI_RGB;

  // Callers write straight into the pixels, so a surface without them is no surface; rows are
  // addressed with 32-bit strides, so the pixel memory must stay below 2 GiB.
  bool usable = width > 0 && height > 0 && surface->stride > 0 &&
                int64_t(surface->stride) * height <= INT32_MAX;
  void* bits = nullptr;
  if (usable) {
    HDC dc = CreateCompatibleDC(nullptr);
    surface->bitmap = CreateDIBSection(dc, surface->header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc != nullptr) DeleteDC(dc);
  }
  surface->pixels = static_cast<uint8_t*>(bits);
  if (surface->bitmap == nullptr || surface->pixels == nullptr) {
    if (surface->bitmap != nullptr) DeleteObject(surface->bitmap);
    free(surface->header);
    free(surface);
    return nullptr;
  }
  return surface;
}

void FreeSurface(Surface* surface) {
  if (surface == nullptr) return;
  DeleteObject(surface->bitmap);
  free(surface->header);
  free(surface);
}
