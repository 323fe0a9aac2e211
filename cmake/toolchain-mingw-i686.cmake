# Cross build for 32-bit Windows with mingw-w64: the shipped programs.
set(QO_MINGW_ARCH i686)
set(QO_WINE_RUNNER wine-run)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
