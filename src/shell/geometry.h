// Screen arithmetic that the window services use, kept free of Windows types for unit tests.
#pragma once

// Left (or top) coordinate that centres a window of `size` pixels on a screen of `screen`
// pixels: signed division truncating toward zero, so an oversized window goes negative.
constexpr int CenteredOrigin(int screen, int size) { return (screen - size) / 2; }
