# 32-bit Windows, the library's own platform:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake ...
set(MINGW_TRIPLET i686-w64-mingw32)
set(MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
