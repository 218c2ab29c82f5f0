// Loading RCT pictures from files into surfaces.
#pragma once
#include "image/surface.h"

// The picture at `path` as a new surface for the caller to free, or null when the file is no
// RCT picture or cannot be decoded.
Surface* LoadRctImage(const char* path);
