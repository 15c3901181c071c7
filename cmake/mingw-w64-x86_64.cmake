# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which
# std::thread needs). Used by scripts/build-windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MORVANEX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MORVANEX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MORVANEX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MORVANEX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MORVANEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no libstdc++, libgcc or winpthread DLLs to carry beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# CTest runs the Windows executables under Wine.
find_program(MORVANEX_WINE NAMES wine)
if(MORVANEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MORVANEX_WINE})
endif()
