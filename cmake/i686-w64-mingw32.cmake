# SPDX-License-Identifier: MIT
# The Windows program as shipped: a 32-bit console program (MinGW-w64 i686). Large-address-
# aware, so a 32-bit process gets 4 GB of address space on 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SPANFOLD_MINGW_TRIPLE i686-w64-mingw32)
set(SPANFOLD_MINGW_LINK_FLAGS -Wl,--large-address-aware)
# Debian's wrapper picks Wine's 32-bit loader when it is installed.
find_program(SPANFOLD_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
