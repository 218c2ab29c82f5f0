# Cross toolchain: 64-bit Windows builds of the same programs with MinGW-w64 (posix threads), run
# under Wine on test machines that cannot execute 32-bit code.
set(ZOLMIR_MINGW_ARCH x86_64)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
