# SPDX-License-Identifier: MIT
# The same sources as a 32-bit Linux program (i386), built by the host's GCC with -m32 and the
# multilib runtime (Debian's g++-multilib). Where the host starts no 32-bit program, CTest
# and the tests that start the program run it under the emulator named in SPANFOLD_EMULATOR
# (qemu's user-mode qemu-i386-static, say); nothing is registered with the system for it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)

# The host's own libraries are 64-bit: nothing is looked for among them.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(SPANFOLD_EMULATOR "" CACHE FILEPATH
    "Runs 32-bit programs where the host cannot (qemu-i386-static); empty where it can")
if(SPANFOLD_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SPANFOLD_EMULATOR})
endif()
