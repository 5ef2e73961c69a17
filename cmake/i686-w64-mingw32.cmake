# Cross-building spanfold as a 32-bit Windows console program with MinGW-w64 (Debian's
# g++-mingw-w64-i686-posix: the -posix flavour has the thread support GoogleTest needs).
# Programs are linked statically, so no DLL is needed beside the .exe, and marked
# large-address-aware, so a 32-bit process gets 4 GB of address space on 64-bit Windows.
# Tests run under Wine through CTest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--large-address-aware")

find_program(SPANFOLD_WINE wine)
if(SPANFOLD_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SPANFOLD_WINE})
endif()
