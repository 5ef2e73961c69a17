# SPDX-License-Identifier: MIT
# Front door for the usual builds. Each target is one command a newcomer can paste.
#   make run            build the program alone and solve the example problem 2 3 5
#   make check          all the checks below: Linux, 32-bit Linux and Windows
#   make check-linux    build and pass the tests, then again under AddressSanitizer and UBSan
#                       and under ThreadSanitizer, both built by clang; the formatting, a short
#                       run of each fuzz target and the packages' checks
#   make check-i386     build the whole test suite as 32-bit Linux code and pass it, natively
#                       where this host starts 32-bit programs, under qemu-i386-static elsewhere
#   make windows        cross-build build/windows/spanfold.exe, a 32-bit Windows console program
#   make check-windows  cross-build the tests too and pass them under Wine (WINDOWS_ARCH=x86_64
#                       runs them as a 64-bit build, as on hosts that start no 32-bit program;
#                       the 32-bit tests are then built all the same)
#   make package        the Debian package and the .tar.gz, in build/package
#   make package-windows  the .zip of the Windows program, in build/windows
#   make fuzz           build the libFuzzer targets with clang and run each for FUZZ_SECONDS
#   make bench          build the benchmarks and the instance generator
#   make python         build the Python module for the python3 first on PATH (or PYTHON=...)
#                       and install it where that interpreter finds it
#
# Every kind of build has a folder of its own under build/, so that going from one command to
# another never rebuilds what is already built. The checks' folders treat warnings as errors;
# the others (release, package, windows) only show them.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake
CTEST ?= ctest
FUZZ_SECONDS ?= 10
# auto: the 32-bit Windows tests where this host starts 32-bit programs, 64-bit ones elsewhere.
WINDOWS_ARCH ?= auto
# The interpreter make python builds for, and the one the checks run the Python tests with
# (Debian's, which sees Debian's pytest, NumPy and matplotlib).
PYTHON ?= python3
CHECK_PYTHON ?= /usr/bin/python3

.PHONY: all release run test bench check check-linux check-release check-tsan check-format \
        sanitize fuzz check-package package check-i386 windows check-windows package-windows \
        python clean

all: release

# $(call configure,FOLDER,OPTIONS): configures FOLDER once; later runs only build.
configure = $(CMAKE) -S . -B $(1) $(2) >/dev/null

release:
	$(call configure,build/release,-DCMAKE_BUILD_TYPE=Release)
	$(CMAKE) --build build/release -j $(JOBS)

run:
	$(call configure,build/release,-DCMAKE_BUILD_TYPE=Release)
	$(CMAKE) --build build/release -j $(JOBS) --target spanfold
	echo "2 3 5" | build/release/spanfold

test: release
	$(CTEST) --test-dir build/release --output-on-failure -j $(JOBS)

bench:
	$(call configure,build/release,-DCMAKE_BUILD_TYPE=Release)
	$(CMAKE) --build build/release -j $(JOBS) --target benchmarks

check: check-linux check-i386 check-windows

check-linux: check-release sanitize check-tsan check-format fuzz check-package

# The tests include the Python module's, run by CTest with CHECK_PYTHON.
check-release:
	$(call configure,build/check,-DCMAKE_BUILD_TYPE=Release -DSPANFOLD_WERROR=ON \
	  -DSPANFOLD_PYTHON=ON -DPython_EXECUTABLE=$(CHECK_PYTHON))
	$(CMAKE) --build build/check -j $(JOBS)
	$(CTEST) --test-dir build/check --output-on-failure -j $(JOBS)

# The whole suite under AddressSanitizer and UBSan, built by clang, which compiles it in half
# the time gcc takes with the sanitizers.
sanitize:
	$(call configure,build/sanitize,-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DSPANFOLD_SANITIZE=ON \
	  -DSPANFOLD_BENCH=OFF -DSPANFOLD_WERROR=ON)
	$(CMAKE) --build build/sanitize -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  $(CTEST) --test-dir build/sanitize --output-on-failure -j $(JOBS)

# The whole suite under ThreadSanitizer, compiled by clang with warnings as errors.
check-tsan:
	$(call configure,build/tsan,-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DSPANFOLD_TSAN=ON -DSPANFOLD_BENCH=OFF -DSPANFOLD_WERROR=ON)
	$(CMAKE) --build build/tsan -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  $(CTEST) --test-dir build/tsan --output-on-failure -j $(JOBS)

# Every C++ file as the repository's .clang-format lays it out.
check-format:
	@files=$$(git ls-files '*.cpp' '*.hpp' 2>/dev/null || find . -name build -prune -o -name '*.[ch]pp' -print); \
	  clang-format --dry-run -Werror $$files && echo "clang-format: every file as .clang-format lays it out"

# The targets fuzz side by side. New inputs go to build/fuzz/corpus; the checked-in seeds under
# fuzz/corpus are only read.
fuzz:
	$(call configure,build/fuzz,-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DSPANFOLD_FUZZ=ON -DSPANFOLD_TESTS=OFF -DSPANFOLD_BENCH=OFF -DSPANFOLD_WERROR=ON)
	$(CMAKE) --build build/fuzz -j $(JOBS) --target fuzzers
	@for program in build/fuzz/fuzz/*_fuzz; do \
	  target=$$(basename $$program _fuzz); \
	  mkdir -p build/fuzz/corpus/$$target; \
	  { $$program -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	      -artifact_prefix=build/fuzz/$$target- \
	      build/fuzz/corpus/$$target fuzz/corpus/$$target >build/fuzz/$$target.log 2>&1; \
	    echo $$? >build/fuzz/$$target.status; } & \
	done; wait; \
	failed=0; for program in build/fuzz/fuzz/*_fuzz; do \
	  target=$$(basename $$program _fuzz); log=build/fuzz/$$target.log; \
	  if [ "$$(cat build/fuzz/$$target.status)" = 0 ]; then \
	    echo "fuzz $$target: $$(grep -o 'cov: [0-9]*' $$log | tail -n 1)," \
	         "$$(sed -n 's/stat::number_of_executed_units: *//p' $$log) runs in $(FUZZ_SECONDS) s"; \
	  else \
	    tail -n 60 $$log; echo "fuzz $$target: FAILED (log: $$log)"; failed=1; \
	  fi; \
	done; exit $$failed

# The packages and what they hold: the program and its documents alone.
package:
	$(call configure,build/package,-DCMAKE_BUILD_TYPE=Release -DSPANFOLD_TESTS=OFF \
	  -DSPANFOLD_BENCH=OFF)
	$(CMAKE) --build build/package -j $(JOBS)
	cd build/package && rm -f spanfold_*.deb spanfold-*.tar.gz && cpack -G "DEB;TGZ"

# The manual page renders without a warning; lintian finds no error or warning in the Debian
# packages; the package's own files, unpacked, solve the example problem and hold the manual
# page; a user's program builds against the installed library, through CMake and pkg-config.
check-package: package
	@out=$$(groff -man -ww -z doc/spanfold.1 2>&1); [ -z "$$out" ] || { echo "$$out"; exit 1; }
	@echo "manual page: no warnings"
	@report=$$(lintian build/package/spanfold_*.deb build/package/spanfold-dev_*.deb 2>&1 | \
	    grep -v 'root privileges'); \
	  echo "lintian: $${report:-clean}"; ! echo "$$report" | grep -q '^[EW]:'
	@prefix=$$(mktemp -d) && trap 'rm -rf "$$prefix"' EXIT && \
	  $(CMAKE) --install build/package --prefix "$$prefix" >/dev/null && \
	  for f in bin/spanfold share/man/man1/spanfold.1.gz share/doc/spanfold/README.md \
	           share/doc/spanfold/ecoli-k12-1.txt share/doc/spanfold/ecoli-k12-2.txt \
	           include/spanfold/spanfold.hpp; do \
	    test -s "$$prefix/$$f" || { echo "cmake --install left out $$f"; exit 1; }; done && \
	  echo "cmake --install: program, manual page, README, maps and library in place" && \
	  CMAKE=$(CMAKE) scripts/check-consumer "$$prefix"
	@root=$$(mktemp -d) && trap 'rm -rf "$$root"' EXIT && \
	  dpkg -x build/package/spanfold_*.deb "$$root" && \
	  test -s "$$root/usr/share/man/man1/spanfold.1.gz" && \
	  echo 2 3 5 | "$$root/usr/bin/spanfold" | grep -qx '{0, 2, 5}' && \
	  "$$root/usr/bin/spanfold" -maxsols:2 <"$$root/usr/share/doc/spanfold/ecoli-k12-1.txt" | \
	    grep -q '^Found 2 solutions:$$' && \
	  echo "package: unpacked spanfold solves the examples; manual page present"

# The Python module for one interpreter, PYTHON found on PATH as the user's shell finds it,
# built and installed into that interpreter's folder for compiled modules. Each interpreter
# has a build folder of its own, build/python/<its path>: CMake keeps the headers it found for
# the first interpreter a folder was configured with.
python:
	@interpreter=$$($(PYTHON) -c 'import sys; print(sys.executable)') || \
	  { echo "$(PYTHON): no Python interpreter to build for" >&2; exit 1; }; \
	  echo "Python module for $$interpreter (Python $$("$$interpreter" -c \
	    'import platform; print(platform.python_version())'))"; \
	  build=build/python/$$(echo "$$interpreter" | sed 's|^/||; s|/|_|g'); \
	  $(CMAKE) -S . -B $$build -DCMAKE_BUILD_TYPE=Release -DSPANFOLD_PYTHON=ON \
	    -DSPANFOLD_TESTS=OFF -DSPANFOLD_BENCH=OFF -DPython_EXECUTABLE="$$interpreter" >/dev/null && \
	  $(CMAKE) --build $$build -j $(JOBS) --target spanfold_python && \
	  $(CMAKE) --install $$build --component python

# The Windows program: the same sources through a MinGW-w64 toolchain file.
windows:
	$(call configure,build/windows,-DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DSPANFOLD_TESTS=OFF -DSPANFOLD_BENCH=OFF)
	$(CMAKE) --build build/windows -j $(JOBS)

package-windows: windows
	cd build/windows && rm -f spanfold-*.zip && cpack -G ZIP

check-i386:
	JOBS=$(JOBS) CMAKE=$(CMAKE) CTEST=$(CTEST) scripts/check-i386

check-windows:
	JOBS=$(JOBS) CMAKE=$(CMAKE) CTEST=$(CTEST) scripts/check-windows $(WINDOWS_ARCH)

clean:
	rm -rf build
