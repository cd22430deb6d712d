# The product: the 32-bit Windows DLL the points of sale load.
set(DODU_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
