# Cross build for i686 Windows with Debian's MinGW-w64 compilers.
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOVEX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Floating-point arithmetic in SSE registers, rounded to float and double at every
# step as on x86-64, rather than in the x87 unit's wider registers: the TG2 synthesis
# then yields the same samples as the 64-bit builds, bit for bit.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
