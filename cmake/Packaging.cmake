# SPDX-License-Identifier: MIT
# What `cmake --install` puts where, and the packages CPack makes of it: a Debian package and a
# .tar.gz on Linux, a .zip on Windows. On Linux the library is installed too, as a component of
# its own (development) that becomes the package spanfold-dev; the program and its documents
# are the component `program`, the package spanfold.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME program)

if(WIN32)
  # A folder to unpack anywhere: the program, its README and the example problems.
  set(spanfold_bin_dir .)
  set(spanfold_doc_dir .)
  set(spanfold_data_dir data)
else()
  set(spanfold_bin_dir ${CMAKE_INSTALL_BINDIR})
  set(spanfold_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/spanfold)
  set(spanfold_data_dir ${spanfold_doc_dir})
endif()

# Who maintains the packages. Nobody is named by default, and the default says so rather
# than look like an address someone reads: set it when making packages for others.
set(SPANFOLD_MAINTAINER "Maintainer Not Set <maintainer-not-set@example.org>"
    CACHE STRING "Who maintains the packages: a name and an e-mail address")

install(TARGETS spanfold RUNTIME DESTINATION ${spanfold_bin_dir})

if(WIN32)
  # Text files in the .zip end their lines as Windows does, with a carriage return and a line
  # feed; a problem line still reads the same, as a carriage return is a delimiter. Each gets
  # a copy of its own, in a folder named as in the .zip, and a line in crlf/sources.txt (its
  # place in the .zip, a tab, its source), by which the Windows check compares the two.
  set(spanfold_text_sources "")
  function(spanfold_install_text source destination name)
    file(READ ${PROJECT_SOURCE_DIR}/${source} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    set(copy ${PROJECT_BINARY_DIR}/crlf/${destination}/${name})
    file(WRITE ${copy} "${text}")
    install(FILES ${copy} DESTINATION ${destination})
    cmake_path(APPEND destination ${name} OUTPUT_VARIABLE packed)
    cmake_path(NORMAL_PATH packed)
    set(spanfold_text_sources "${spanfold_text_sources}${packed}\t${source}\n" PARENT_SCOPE)
  endfunction()
  spanfold_install_text(README.md . README.md)
  spanfold_install_text(LICENSE . LICENSE.txt)
  spanfold_install_text(doc/copyright . copyright.txt)
  spanfold_install_text(data/README.md data README.md)
  spanfold_install_text(data/ecoli-k12-1.txt data ecoli-k12-1.txt)
  spanfold_install_text(data/ecoli-k12-2.txt data ecoli-k12-2.txt)
  spanfold_install_text(data/LICENSE-Apache-2.0 data LICENSE-Apache-2.0.txt)
  file(WRITE ${PROJECT_BINARY_DIR}/crlf/sources.txt "${spanfold_text_sources}")
else()
  install(FILES README.md doc/copyright DESTINATION ${spanfold_doc_dir})
  install(FILES data/ecoli-k12-1.txt data/ecoli-k12-2.txt data/LICENSE-Apache-2.0
          DESTINATION ${spanfold_data_dir})
  # Beside the project's README, the maps' own note takes their name.
  install(FILES data/README.md DESTINATION ${spanfold_data_dir} RENAME ecoli-k12.md)

  # The manual page and the changelog are installed compressed, as Debian's policy asks;
  # -n leaves the time out, so the same sources give the same bytes. The changelog names
  # the maintainer the packages are made with.
  find_program(SPANFOLD_GZIP gzip REQUIRED)
  configure_file(doc/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
  set(manual ${PROJECT_BINARY_DIR}/spanfold.1.gz)
  set(changelog ${PROJECT_BINARY_DIR}/changelog.gz)
  add_custom_command(OUTPUT ${manual}
                     COMMAND ${SPANFOLD_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/doc/spanfold.1 > ${manual}
                     DEPENDS doc/spanfold.1 VERBATIM)
  add_custom_command(OUTPUT ${changelog}
                     COMMAND ${SPANFOLD_GZIP} -9n -c ${PROJECT_BINARY_DIR}/changelog > ${changelog}
                     DEPENDS ${PROJECT_BINARY_DIR}/changelog VERBATIM)
  add_custom_target(spanfold_documents ALL DEPENDS ${manual} ${changelog})
  install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${changelog} DESTINATION ${spanfold_doc_dir})
endif()

# The library for C++ programs: its header, libspanfold.a, a CMake package that gives the
# target spanfold::spanfold, and a pkg-config file, spanfold.pc. Both name their folders
# relative to where they stand, so the tree may be unpacked under any prefix.
if(TARGET spanfold_library)
  include(CMakePackageConfigHelpers)
  set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/spanfold)
  set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  install(TARGETS spanfold_library EXPORT spanfoldTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  install(FILES include/spanfold/spanfold.hpp
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/spanfold COMPONENT development)
  install(EXPORT spanfoldTargets NAMESPACE spanfold:: DESTINATION ${cmake_dir}
          COMPONENT development)
  configure_package_config_file(cmake/spanfoldConfig.cmake.in
                                ${PROJECT_BINARY_DIR}/spanfoldConfig.cmake
                                INSTALL_DESTINATION ${cmake_dir})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/spanfoldConfigVersion.cmake
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/spanfoldConfig.cmake
                ${PROJECT_BINARY_DIR}/spanfoldConfigVersion.cmake
          DESTINATION ${cmake_dir} COMPONENT development)
  # The prefix as seen from the pkg-config folder, unless the folders were given absolute.
  if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR})
    set(spanfold_pc_prefix ${CMAKE_INSTALL_PREFIX})
  else()
    file(RELATIVE_PATH spanfold_pc_prefix /prefix/${pkgconfig_dir} /prefix)
    string(REGEX REPLACE "/$" "" spanfold_pc_prefix ${spanfold_pc_prefix})
    set(spanfold_pc_prefix "\${pcfiledir}/${spanfold_pc_prefix}")
  endif()
  configure_file(cmake/spanfold.pc.in ${PROJECT_BINARY_DIR}/spanfold.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/spanfold.pc DESTINATION ${pkgconfig_dir}
          COMPONENT development)
  # A Debian package carries its own copyright file and changelog.
  install(FILES doc/copyright ${changelog}
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/spanfold-dev COMPONENT development)
endif()

set(CPACK_PACKAGE_NAME spanfold)
set(CPACK_PACKAGE_VENDOR "the spanfold developers")
set(CPACK_PACKAGE_CONTACT "${SPANFOLD_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "reconstruct point sets on a line from their pairwise distances")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

set(CPACK_COMPONENTS_ALL program)
if(TARGET spanfold_library)
  list(APPEND CPACK_COMPONENTS_ALL development)
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME spanfold)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME spanfold-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SPANFOLD_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The first line, the synopsis, is the summary above; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "spanfold solves the partial digest (turnpike) problem: given the multiset of
all pairwise distances between points on a line, as in a restriction map, it
finds every point set, placed from 0, whose distances are exactly that
multiset. It reads one line of distances from standard input and reports the
solutions, the search nodes visited and the computation time; limits on
solutions and nodes, and a listing of every visited node, are options.
.
The search is an exact backtracking search that counts repeated subproblems
instead of searching them again, and handles problems of tens of thousands of
points. Two real restriction maps of Escherichia coli come as examples.")
# The synopsis is the one above, which CPack gives every package.
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "The engine of spanfold as a static library for C++20 programs: given the
multiset of all pairwise distances between points on a line, it finds every
point set, placed from 0, whose distances are exactly that multiset, with
limits on solutions and nodes, a seed that makes a search repeatable and a
callback that can stop it.
.
This package holds the header spanfold/spanfold.hpp, the library
libspanfold.a, a CMake package (find_package(spanfold CONFIG) gives the
target spanfold::spanfold) and the pkg-config file spanfold.pc.")

include(CPack)
