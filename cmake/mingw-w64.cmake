# Cross-compiles the program for 64-bit Windows with Debian's mingw-w64
# (the posix thread model, which the C++ runtime's threads need), and runs
# what it builds under wine.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw}-windres)
# libgd, built for Windows from Debian's sources by scripts/libgd-windows
set(QUORLINK_WINDOWS_DEPS "${CMAKE_BINARY_DIR}/deps" CACHE PATH "Prefix of the libraries built for Windows")
# the compiler checks read this file again in builds of their own
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORLINK_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw} ${QUORLINK_WINDOWS_DEPS})
# pkg-config finds the Windows libgd, never the machine's own
set(ENV{PKG_CONFIG_LIBDIR} "${QUORLINK_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# one program with nothing beside it: the C and C++ runtimes and the thread
# library linked in, so it imports only Windows' own DLLs
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine)
