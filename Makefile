# Front door for the usual builds. Each target is one command a newcomer can paste.
#   make run            build spanfold and solve the example problem 2 3 5
#   make check          all the checks below, Linux and Windows
#   make check-linux    build and pass the tests, then again under AddressSanitizer and UBSan,
#                       then a short run of each fuzz target
#   make windows        cross-build build/windows/spanfold.exe, a 32-bit Windows console program
#   make check-windows  cross-build the tests too and pass them under Wine
#   make package        the Debian package and the .tar.gz, in build/release
#   make package-windows  the .zip of the Windows program, in build/windows
#   make fuzz           build the libFuzzer targets with clang and run each for FUZZ_SECONDS
#   make bench          build the benchmarks and the instance generator
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake
CTEST ?= ctest

.PHONY: all release run check check-linux check-windows check-package windows package \
        package-windows test sanitize fuzz bench clean

FUZZ_SECONDS ?= 10
# Warnings are errors in the checks; a plain build only shows them.
WERROR ?= OFF
check check-linux check-windows: WERROR = ON
FUZZ_TARGETS := read_problem options solve

all: release

release:
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DSPANFOLD_WERROR=$(WERROR)
	$(CMAKE) --build build/release -j $(JOBS)

run: release
	echo "2 3 5" | build/release/spanfold

test: release
	$(CTEST) --test-dir build/release --output-on-failure -j $(JOBS)

sanitize:
	$(CMAKE) -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPANFOLD_SANITIZE=ON -DSPANFOLD_BENCH=OFF \
	  -DSPANFOLD_WERROR=$(WERROR)
	$(CMAKE) --build build/sanitize -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  $(CTEST) --test-dir build/sanitize --output-on-failure -j $(JOBS)

# New inputs go to build/fuzz/corpus; the checked-in seeds under fuzz/corpus are only read.
fuzz:
	$(CMAKE) -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DSPANFOLD_FUZZ=ON -DSPANFOLD_TESTS=OFF -DSPANFOLD_BENCH=OFF -DSPANFOLD_WERROR=$(WERROR)
	$(CMAKE) --build build/fuzz -j $(JOBS)
	@for target in $(FUZZ_TARGETS); do \
	  mkdir -p build/fuzz/corpus/$$target; \
	  log=build/fuzz/$$target.log; \
	  if build/fuzz/fuzz/$${target}_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	       -artifact_prefix=build/fuzz/$$target- \
	       build/fuzz/corpus/$$target fuzz/corpus/$$target >$$log 2>&1; then \
	    echo "fuzz $$target: $$(grep -o 'cov: [0-9]*' $$log | tail -n 1)," \
	         "$$(sed -n 's/stat::number_of_executed_units: *//p' $$log) runs in $(FUZZ_SECONDS) s"; \
	  else \
	    tail -n 60 $$log; echo "fuzz $$target: FAILED (log: $$log)"; exit 1; \
	  fi; \
	done

check: check-linux check-windows

check-linux: test sanitize fuzz check-package

# The packages and what they hold.
package: release
	cd build/release && rm -f spanfold_*.deb spanfold-*.tar.gz && cpack -G "DEB;TGZ"

package-windows: windows
	cd $(WINDOWS_BUILD) && rm -f spanfold-*.zip && cpack -G ZIP

# The manual page renders without a warning; lintian finds no error in the Debian package;
# the package's own files, unpacked, solve the example problem and hold the manual page.
check-package: package
	@out=$$(groff -man -ww -z doc/spanfold.1 2>&1); [ -z "$$out" ] || { echo "$$out"; exit 1; }
	@echo "manual page: no warnings"
	@report=$$(lintian build/release/spanfold_*.deb 2>&1 | grep -v 'root privileges'); \
	  echo "lintian: $${report:-clean}"; ! echo "$$report" | grep -q '^E:'
	@prefix=$$(mktemp -d) && trap 'rm -rf "$$prefix"' EXIT && \
	  $(CMAKE) --install build/release --prefix "$$prefix" >/dev/null && \
	  for f in bin/spanfold share/man/man1/spanfold.1.gz share/doc/spanfold/README.md \
	           share/doc/spanfold/ecoli-k12-1.txt share/doc/spanfold/ecoli-k12-2.txt; do \
	    test -s "$$prefix/$$f" || { echo "cmake --install left out $$f"; exit 1; }; done && \
	  echo "cmake --install: program, manual page, README and maps in place"
	@root=$$(mktemp -d) && trap 'rm -rf "$$root"' EXIT && \
	  dpkg -x build/release/spanfold_*.deb "$$root" && \
	  test -s "$$root/usr/share/man/man1/spanfold.1.gz" && \
	  echo 2 3 5 | "$$root/usr/bin/spanfold" | grep -qx '{0, 2, 5}' && \
	  "$$root/usr/bin/spanfold" -maxsols:2 <"$$root/usr/share/doc/spanfold/ecoli-k12-1.txt" | \
	    grep -q '^Found 2 solutions:$$' && \
	  echo "package: unpacked spanfold solves the examples; manual page present"

# The Windows build: the same sources through a MinGW-w64 toolchain file. Its tests run under
# Wine, in a Wine prefix of the build's own that is made on first use; the Wine server started
# for them is stopped afterwards. Standard input is never a terminal there.
WINDOWS_BUILD := build/windows
WINE_ENV := WINEPREFIX=$(CURDIR)/$(WINDOWS_BUILD)/wine WINEDEBUG=-all

windows:
	$(CMAKE) -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DSPANFOLD_BENCH=OFF -DSPANFOLD_WERROR=$(WERROR)
	$(CMAKE) --build $(WINDOWS_BUILD) -j $(JOBS) --target spanfold

check-windows: windows
	$(CMAKE) --build $(WINDOWS_BUILD) -j $(JOBS)
	@# Statically linked: nothing but the system's own DLLs is imported.
	@imports=$$(i686-w64-mingw32-objdump -p $(WINDOWS_BUILD)/spanfold.exe | sed -n 's/.*DLL Name: //p' | sort | tr '\n' ' '); \
	  echo "spanfold.exe imports: $$imports"; \
	  [ "$$imports" = "KERNEL32.dll msvcrt.dll " ] || { echo "unexpected DLLs"; exit 1; }
	@[ -d $(WINDOWS_BUILD)/wine ] || $(WINE_ENV) wineboot -i >/dev/null 2>&1
	@# Wine without its 32-bit part prints an error and may still exit 0: check the output.
	@out=$$(echo 2 3 5 | $(WINE_ENV) wine $(WINDOWS_BUILD)/spanfold.exe 2>&1 | tr -d '\r'); \
	  echo "$$out" | grep -q '^{0, 2, 5}$$' || { echo "spanfold.exe does not run under Wine:"; echo "$$out"; exit 1; }
	$(WINE_ENV) $(CTEST) --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS) </dev/null; \
	  status=$$?; $(WINE_ENV) wineserver -k 2>/dev/null; exit $$status

bench: release

clean:
	rm -rf build
