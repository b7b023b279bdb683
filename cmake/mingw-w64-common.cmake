# Shared part of the mingw-w64 toolchain files: cross-compiles the Windows
# program with the compilers of WINREACH_MINGW_TRIPLET and looks for target
# libraries only in that toolchain's own tree.
set(CMAKE_SYSTEM_NAME Windows)
# The posix thread model: GoogleTest needs std::mutex, which GCC 12's win32
# model lacks. The program itself uses no threads.
set(CMAKE_C_COMPILER ${WINREACH_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WINREACH_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${WINREACH_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${WINREACH_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the cross-compiled tests under Wine when it is installed.
find_program(WINREACH_WINE NAMES wine)
if(WINREACH_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINREACH_WINE})
endif()
