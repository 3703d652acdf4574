# Cross build for x86_64 Windows with Debian's MinGW-w64 compilers, win32 thread
# model: the library's locks go through its own platform layer, not std::mutex.
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOVEX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOVEX_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOVEX_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${TOVEX_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW sysroot only; programs from the build
# machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TOVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
