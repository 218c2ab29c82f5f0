# Cross toolchain: 32-bit Windows programs with MinGW-w64 (posix threads), run under Wine.
set(ZOLMIR_MINGW_ARCH i686)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
