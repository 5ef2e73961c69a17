# Front door for the usual builds. Each target is one command a newcomer can paste.
#   make run     build spanfold and solve the example problem 2 3 5
#   make check   build and pass the tests, then again under AddressSanitizer and UBSan
#   make fuzz    build the libFuzzer targets with clang and run each for FUZZ_SECONDS
#   make bench   build the benchmarks and the instance generator
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake
CTEST ?= ctest

.PHONY: all release run check test sanitize fuzz bench clean

FUZZ_SECONDS ?= 10
# Warnings are errors in the checks; a plain build only shows them.
WERROR ?= OFF
check: WERROR = ON
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

check: test sanitize fuzz

bench: release

clean:
	rm -rf build
