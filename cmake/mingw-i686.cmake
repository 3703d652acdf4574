# Cross build for i686 Windows with Debian's MinGW-w64 compilers, win32 thread
# model: the library's locks go through its own platform layer, not std::mutex.
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TOVEX_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TOVEX_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOVEX_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${TOVEX_MINGW_TRIPLE}-windres)

# Floating-point arithmetic in SSE registers, rounded to float and double at every
# step as on x86-64, rather than in the x87 unit's wider registers: the TG2 synthesis
# then yields the same samples as the 64-bit builds, bit for bit.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

# Headers and libraries come from the MinGW sysroot only; programs from the build
# machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TOVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
