# The same sources for 64-bit Windows (WINDOWS_ARCHES=x86_64 scripts/build-windows); nothing ships
# or tests this build: the Windows tests run the 32-bit DLL.
set(DODU_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
