# The same sources for 64-bit Windows: what runs the Windows tests under wine64 on machines whose
# kernel cannot run 32-bit programs.
set(DODU_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
