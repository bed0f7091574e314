# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers. The posix-threads variant is
# needed: GoogleTest uses std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MOLVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MOLVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MOLVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MOLVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MOLVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in statically, so the programs run under Wine (or on a bare Windows) without
# the compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Lets ctest run the cross-built tests under Wine when it is installed.
find_program(MOLVANE_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib/wine64 NO_CMAKE_FIND_ROOT_PATH)
if(MOLVANE_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MOLVANE_WINE64})
endif()
