# SPDX-License-Identifier: MIT
# The same sources as a 64-bit Windows console program (MinGW-w64 x86_64), for running the
# test suite under Wine on hosts that start no 32-bit program, where Wine's 32-bit loader
# cannot run. Debian's `wine` wrapper always picks the 32-bit loader when wine32 is installed,
# so the 64-bit loader is started directly; it also needs WINELOADER set to itself.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SPANFOLD_MINGW_TRIPLE x86_64-w64-mingw32)
set(SPANFOLD_WINE_LOADER /usr/lib/wine/wine64 CACHE FILEPATH "Wine's 64-bit loader")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
