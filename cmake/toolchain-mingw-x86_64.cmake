# Cross build for 64-bit Windows with mingw-w64: the same sources, so the
# Windows tests run under 64-bit Wine where 32-bit Linux programs cannot run.
set(QO_MINGW_ARCH x86_64)
set(QO_WINE_RUNNER wine-run64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
