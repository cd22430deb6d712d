# Cross-building for Windows with Debian's mingw-w64 (POSIX threads), for the architecture the
# including toolchain file sets in DODU_MINGW_ARCH. The libraries it links are built by
# scripts/windows-deps into DODU_WINDOWS_DEPS (default build-windows-deps/<arch>).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${DODU_MINGW_ARCH})
set(CMAKE_C_COMPILER ${DODU_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${DODU_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${DODU_MINGW_ARCH}-w64-mingw32-windres)
if(NOT DODU_WINDOWS_DEPS)
  set(DODU_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build-windows-deps/${DODU_MINGW_ARCH})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${DODU_MINGW_ARCH}-w64-mingw32 ${DODU_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(DODU_MINGW_ARCH STREQUAL "i686")
  # x87 arithmetic would round the few floating-point steps (date-times) differently from Linux.
  set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
  set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)  # Debian keeps it off the PATH
endif()
# GCC 12 of mingw-w64 warns falsely inside std::string's own code (-Wrestrict).
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-restrict")
# One file, no runtime DLLs beside it: the C++ runtime, libgcc and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
