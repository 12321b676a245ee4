# 64-bit Windows, for running the test host under 64-bit Wine:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake ...
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
