# Shared by the two MinGW-w64 toolchain files; QZ_MINGW_TRIPLE is set by the includer.
set(CMAKE_SYSTEM_NAME Windows)
# The win32 thread model: nothing on the Windows side uses C++ threads, and
# the posix model would link winpthread into every program (some 30 KB).
set(CMAKE_C_COMPILER ${QZ_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${QZ_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${QZ_MINGW_TRIPLE}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

set(CMAKE_FIND_ROOT_PATH /usr/${QZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every shipped program is one self-contained file: no libstdc++, libgcc or
# winpthread DLLs beside it on the media.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections")

# The launcher is judged by its size on the media as much as by its speed,
# and its work is a picture decode and a few windows: optimised for size,
# each function and datum in its own section so that the linker drops what
# nothing uses.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
# (CMake would append its own -O3 to an _INIT value: the cache entries are set.)
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "Flags of Release builds")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "Flags of Release builds")
