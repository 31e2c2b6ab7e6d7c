# Shared by the two MinGW-w64 toolchain files; QZ_MINGW_TRIPLE is set by the includer.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QZ_MINGW_TRIPLE}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

set(CMAKE_FIND_ROOT_PATH /usr/${QZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every shipped program is one self-contained file: no libstdc++, libgcc or
# winpthread DLLs beside it on the media.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
