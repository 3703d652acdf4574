# The part of the MinGW-w64 cross builds that both targets share; the toolchain file
# sets TOVEX_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR first. Debian's compilers of the
# win32 thread model: the library's locks go through its own platform layer, not
# std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
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
