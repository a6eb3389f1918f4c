# Cross-build for 64-bit Windows with Debian's mingw-w64 compilers:
#
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#   cmake --build build/windows -j2
#
# The posix-threads variant of the compiler is required: the win32 variant's
# standard library has no std::mutex or std::thread. Everything is linked
# statically (libgcc, libstdc++, winpthread), so boardtool.exe, TOKENAPI.DLL
# and the test executables need no DLL beyond the system's own.
#
# When Wine is installed, CTest runs the Windows executables under it; see
# scripts/stages/windows.sh, which also keeps Wine's server warm meanwhile.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BOARDTOOL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BOARDTOOL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BOARDTOOL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BOARDTOOL_MINGW_TRIPLE}-windres)

# Headers and libraries come from the cross sysroot only; programs (code
# generators, Wine) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${BOARDTOOL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: no libstdc++-6.dll, libgcc_s_seh-1.dll or
# libwinpthread-1.dll beside the executables.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine, in a prefix of the build folder's own so that a run
# neither depends on nor disturbs the user's ~/.wine. WINEDEBUG keeps the
# loader's errors (a missing DLL is reported) and silences the rest.
find_program(BOARDTOOL_WINE wine)
if(BOARDTOOL_WINE)
  set(BOARDTOOL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH
      "Wine prefix in which the Windows tests run")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env
      "WINEPREFIX=${BOARDTOOL_WINEPREFIX}"
      "WINEDEBUG=fixme-all,err-all,err+module"
      "WINEDLLOVERRIDES=mscoree,mshtml="
      ${BOARDTOOL_WINE})
endif()
