#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole runs of the built spanfold on generated and real instances: wall time, the reported
# computation time and peak resident memory (from /usr/bin/time -v).
#
# Usage: bench/end_to_end.sh [BUILD_DIR] [INSTANCE ...]
# An INSTANCE is a generator family with its words joined by ':' (random:1000:10000000:1) or
# a file. Without instances a default list runs; SPANFOLD_BENCH_LARGE=1 adds 5,000, 10,000
# and 20,000 random points (RANGE = 10 N^2; the last is about 2 GB of text). For every
# instance of more than 10 MB of text, a second line splits the run into reading (parsing
# and sorting), building the search's table and searching, from bench/read_problem_bench.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
shift || true
spanfold=$build/spanfold
generate=$build/bench/generate_instance
phases=$build/bench/read_problem_bench
[ -x "$spanfold" ] && [ -x "$generate" ] || { echo "build first: make" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }

instances=("$@")
if [ ${#instances[@]} -eq 0 ]; then
  instances=(random:100:100000:1 random:1000:10000000:1 random:2000:40000000:1
             zhang:8:1 zhang:10:1 zhang:12:1 zhang:14:1 zhang:16:1 duplicates:60:1 mirror:40:16000:1
             homometric:20:10:1
             "$here/../data/ecoli-k12-1.txt" "$here/../data/ecoli-k12-2.txt")
  if [ "${SPANFOLD_BENCH_LARGE:-0}" = 1 ]; then
    instances+=(random:5000:250000000:1 random:10000:1000000000:1 random:20000:4000000000:1)
  fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%-34s %10s %12s %14s %12s %10s\n' instance "MB input" "wall s" "computation" "peak MB" nodes
for instance in "${instances[@]}"; do
  if [ -f "$instance" ]; then
    input=$instance
    name=$(basename "$instance")
  else
    input=$work/input.txt
    name=$instance
    IFS=: read -r -a words <<<"$instance"
    "$generate" "${words[@]}" >"$input"
  fi
  /usr/bin/time -v "$spanfold" <"$input" >"$work/out" 2>"$work/time" || {
    echo "$name: spanfold failed" >&2; cat "$work/time" >&2; continue; }
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$work/time" |
         awk -F: '{ if (NF == 3) print $1*3600 + $2*60 + $3; else print $1*60 + $2 }')
  peak=$(awk -F': ' '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$work/time")
  computation=$(sed -n 's/^Computation time: //p' "$work/out")
  nodes=$(sed -n 's/^Visited nodes: *//p' "$work/out")
  size=$(awk -v b="$(stat -c %s "$input")" 'BEGIN {printf "%.1f", b / 1e6}')
  printf '%-34s %10s %12s %14s %12s %10s\n' "$name" "$size" "$wall" "$computation" "$peak" "$nodes"
  if [ -x "$phases" ] && [ "$(stat -c %s "$input")" -gt 10000000 ]; then
    "$phases" "$input" --solve | awk '
      /^reading/ {r = $2} /^speed/ {v = $2} /^table/ {t = $2} /^search/ {s = $2}
      /^peak resident/ {p = $3}
      END {printf "%-34s reading %s s (%s MB/s), table %s s, search %s s, peak %s MB\n", "", r, v, t, s, p}'
  fi
done
