# SPDX-License-Identifier: MIT
# What the two MinGW-w64 toolchain files share: cross-building spanfold as a Windows console
# program with Debian's MinGW-w64 (the -posix flavour has the thread support GoogleTest
# needs). The including file sets SPANFOLD_MINGW_TRIPLE, CMAKE_SYSTEM_PROCESSOR
# and any linker flags of its own (SPANFOLD_MINGW_LINK_FLAGS) first.
# Programs are linked statically, so no DLL is needed beside the .exe. Tests run under Wine
# through CTest, with the loader that the including file names in SPANFOLD_WINE_LOADER.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${SPANFOLD_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SPANFOLD_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SPANFOLD_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SPANFOLD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ ${SPANFOLD_MINGW_LINK_FLAGS}")

if(EXISTS ${SPANFOLD_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SPANFOLD_WINE_LOADER})
endif()
