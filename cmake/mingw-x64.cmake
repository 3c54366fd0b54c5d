# Cross-compiling for Windows (x64) with mingw-w64 on Debian (g++-mingw-w64-x86-64-posix).
# The -posix compilers are required: the win32 thread model has no std::mutex/std::thread,
# and GoogleTest needs them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs every Windows test program through this wrapper (Wine, private prefix and APPDATA).
# bash is named explicitly so the script needs no execute bit.
set(CMAKE_CROSSCOMPILING_EMULATOR "/bin/bash;${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-emulator.sh")
