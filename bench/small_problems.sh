#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The computation time that spanfold reports for small problems, from 2 3 5 up to 1,000 random
# points: the median of RUNS runs of each, for one or more builds side by side. A run's set-up
# must grow with its problem, so these stay as cheap as the problems are small.
#
# Usage: bench/small_problems.sh [SPANFOLD ...]     (default: build/release/spanfold)
# Environment: RUNS (default 31).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binaries=("$@")
[ ${#binaries[@]} -gt 0 ] || binaries=("$here/../build/release/spanfold")
generate=$(dirname "${binaries[0]}")/bench/generate_instance
[ -x "$generate" ] || generate=$here/../build/release/bench/generate_instance
[ -x "$generate" ] || { echo "build the instance generator first: make bench" >&2; exit 2; }
runs=${RUNS:-31}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "2 3 5" >"$work/2-3-5"
sizes=(2-3-5)
for n in 10 30 100 300 1000; do
  "$generate" random "$n" $((10 * n * n)) 1 >"$work/random-$n"
  sizes+=("random-$n")
done

# The median reported computation time in microseconds ("-" counts as 0).
median() {
  local binary=$1 input=$2
  for _ in $(seq "$runs"); do
    "$binary" <"$input" | sed -n 's/^Computation time: //p' | sed 's/ microsecs//; s/^-$/0/'
  done | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

printf '%-12s' problem
for binary in "${binaries[@]}"; do printf ' %24s' "$(basename "$(dirname "$binary")")/$(basename "$binary")"; done
printf '\n'
for size in "${sizes[@]}"; do
  printf '%-12s' "$size"
  for binary in "${binaries[@]}"; do printf ' %21s us' "$(median "$binary" "$work/$size")"; done
  printf '\n'
done
