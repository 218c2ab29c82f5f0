// The copy progress window (COPYINGDELUX) shown during a full extraction.
#pragma once
#include <cstdint>
#include <windows.h>

// Opens the window (closing an earlier one first) with the overall range from the payload
// size; null when it cannot be made.
HWND OpenCopyProgress(uint32_t payload_size);
// Closes the window when one is open.
void CloseCopyProgress();
INT_PTR CALLBACK CopyProgressProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
