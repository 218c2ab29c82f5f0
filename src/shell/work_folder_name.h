// The name of a run's work folder, made from the milliseconds since Windows started.
#pragma once
#include <cstddef>
#include <cstdint>

#include "shell/cp932.h"

// Room for "TempGPInstallFolder_" and a signed 32-bit number with its sign, plus the NUL.
constexpr size_t kWorkFolderNameSize = 32;

// "TempGPInstallFolder_%09d" of the count read as a signed 32-bit number, so a count of
// 2^31 ms or more shows its minus sign.
inline void FormatWorkFolderName(char* buffer, size_t size, uint32_t milliseconds) {
  FormatText(buffer, size, "TempGPInstallFolder_%09d", static_cast<int>(static_cast<int32_t>(milliseconds)));
}
