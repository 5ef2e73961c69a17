# Front door for the usual builds. Each target is one command a newcomer can paste.
#   make run     build spanfold and solve the example problem 2 3 5
#   make check   build and pass the tests, then again under AddressSanitizer and UBSan
#   make bench   build the benchmarks and the instance generator
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake
CTEST ?= ctest

.PHONY: all release run check test sanitize bench clean

all: release

release:
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build/release -j $(JOBS)

run: release
	echo "2 3 5" | build/release/spanfold

test: release
	$(CTEST) --test-dir build/release --output-on-failure -j $(JOBS)

sanitize:
	$(CMAKE) -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPANFOLD_SANITIZE=ON -DSPANFOLD_BENCH=OFF
	$(CMAKE) --build build/sanitize -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  $(CTEST) --test-dir build/sanitize --output-on-failure -j $(JOBS)

check: test sanitize

bench: release

clean:
	rm -rf build
