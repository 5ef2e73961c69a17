#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The big end: whole runs of spanfold on 10,000 and 20,000 random points, for values up to
# 10^6, 10^9, 4x10^9 and 10^12. For each range it prints the wall time, the reported
# computation time and the peak memory of both sizes, and the ratio of the 20,000-point run
# to the 10,000-point one (four times the distances); for each 10,000-point file also the time
# of a bare streaming parse and sort of it (bench/parse_and_sort), and the ratio of the whole
# run to that. Last, for each range, what a random read costs in memory the size of each run's
# peak (bench/random_reads), 20,000 points over 10,000: the search reads its table at random,
# so where the host makes that ratio more than 1, the 20,000-point run takes more than four
# times as long for four times the work.
#
# Usage: bench/big_end.sh [BUILD_DIR] [WORK_DIR]
# The instances (about 10 GB of text in all) are made in WORK_DIR, by default a temporary
# folder removed at the end; an existing file there is used as it is. Set RANGES or SIZES to
# run fewer, RUNS for the number of runs of each (the median is shown; 3 by default).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
spanfold=$build/spanfold
generate=$build/bench/generate_instance
yardstick=$build/bench/parse_and_sort
reads=$build/bench/random_reads
for program in "$spanfold" "$generate" "$yardstick" "$reads"; do
  [ -x "$program" ] || { echo "build first: make bench ($program is missing)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }
if [ -n "${2:-}" ]; then
  work=$2
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
ranges=(${RANGES:-1000000 1000000000 4000000000 1000000000000})
sizes=(${SIZES:-10000 20000})

runs=${RUNS:-3}

# The median of `runs` runs: wall seconds, computation seconds and peak MB.
measure() {
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%e %M' "$spanfold" <"$1" >"$work/out" 2>"$work/time"
    local wall peak
    read -r wall peak < <(tail -n 1 "$work/time")
    echo "$wall $(sed -n 's/^Computation time: //p' "$work/out" |
                  awk '{ printf "%.2f", $1 / 1e6 }') $((peak / 1024))"
  done | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2)'
}

# Every instance first, then all the spanfold runs, and the bare parses and sorts last: a run
# right after a process that took gigabytes may find the memory in pieces.
for range in "${ranges[@]}"; do
  for n in "${sizes[@]}"; do
    input=$work/random-$n-$range.txt
    [ -s "$input" ] || "$generate" random "$n" "$range" 1 >"$input"
  done
done
declare -A result=()
for range in "${ranges[@]}"; do
  for n in "${sizes[@]}"; do result[$n-$range]=$(measure "$work/random-$n-$range.txt"); done
done
declare -A bare=()
for range in "${ranges[@]}"; do
  bare[$range]=$("$yardstick" "$work/random-10000-$range.txt" | awk '{ print $(NF - 1) }')
done

echo "medians of $runs runs"
printf '%-16s %-7s %9s %12s %9s %11s %16s\n' range points "wall s" "computation" "peak MB" \
  "20k / 10k" "run / parse+sort"
for range in "${ranges[@]}"; do
  for n in "${sizes[@]}"; do
    read -r w c p <<<"${result[$n-$range]}"
    ratio="" versus=""
    if [ "$n" = 20000 ] && [ -n "${result[10000-$range]:-}" ]; then
      ratio=$(awk -v a="$w" -v b="${result[10000-$range]%% *}" 'BEGIN { printf "%.2f", a / b }')
    fi
    if [ "$n" = 10000 ]; then
      versus=$(awk -v a="$w" -v b="${bare[$range]}" 'BEGIN { printf "%.2f (%.2f s)", a / b, b }')
    fi
    printf '%-16s %-7s %9s %12s %9s %11s %16s\n' "$range" "$n" "$w" "$c" "$p" "$ratio" "$versus"
  done
done

# The cost of a random read at each run's peak, from the huge-pages column of random_reads.
declare -A readCost=()
for range in "${ranges[@]}"; do
  for n in "${sizes[@]}"; do
    read -r _ _ p <<<"${result[$n-$range]:-}"
    [ -n "${p:-}" ] || continue
    [ -n "${readCost[$p]:-}" ] ||
      readCost[$p]=$("$reads" "$((p > 0 ? p : 1))" | awk 'NR == 3 { print $2 }')
  done
done
echo
printf '%-16s %22s %22s %9s\n' range "ns/read 10k peak" "ns/read 20k peak" "20k / 10k"
for range in "${ranges[@]}"; do
  [ -n "${result[10000-$range]:-}" ] && [ -n "${result[20000-$range]:-}" ] || continue
  read -r _ _ small <<<"${result[10000-$range]}"
  read -r _ _ large <<<"${result[20000-$range]}"
  a=${readCost[$small]} b=${readCost[$large]}
  printf '%-16s %22s %22s %9s\n' "$range" "$a" "$b" \
    "$(awk -v a="$a" -v b="$b" 'BEGIN { if (a > 0) printf "%.2f", b / a }')"
done
