# Cross-builds the Windows programs (64-bit) with Debian's mingw-w64, POSIX
# threads flavour (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64.cmake
# The C and C++ runtimes and winpthread are linked statically, so the .exe
# files need no DLL beyond Windows' own. The programs' entry points are
# wmain/wWinMain (-municode on their targets): command lines arrive in UTF-16.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVAFIX_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${QUORVAFIX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVAFIX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVAFIX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVAFIX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Tests and the tool run under Wine on the build machine.
find_program(QUORVAFIX_WINE NAMES wine64 wine)
if(QUORVAFIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVAFIX_WINE})
endif()
