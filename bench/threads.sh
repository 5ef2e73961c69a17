#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One thread against all the cores, side by side in one run: for the hard families and the big
# end, the whole run's wall time with SPANFOLD_THREADS=1 and without it (all the processors),
# the runs of the two in turn, each pair on the same search (read_problem_bench with a fixed
# seed), and the median ratio. First, what the host gives two threads at all: the wall time
# of two single-threaded searches run at once against one run alone, the most any two threads
# can gain here.
#
# Usage: bench/threads.sh [BUILD_DIR] [INSTANCE ...]
# An INSTANCE is a generator family with its words joined by ':' and a seed after a '@'
# (zhang:20:1@7). Environment: RUNS (3 pairs by default), WORK (a folder to keep the generated
# instances in; by default a temporary one), SPANFOLD_BENCH_LARGE=1 adds 20,000 random points.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
shift || true
bench=$build/bench/read_problem_bench
generate=$build/bench/generate_instance
[ -x "$bench" ] && [ -x "$generate" ] || { echo "build first: make bench" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }
runs=${RUNS:-3}
if [ -n "${WORK:-}" ]; then
  work=$WORK
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

instances=("$@")
if [ ${#instances[@]} -eq 0 ]; then
  instances=(zhang:20:1@7 zhang:22:1@7 zhang-union:11:24@7 zhang-union:12:24@7
             random:10000:4000000000:1@1)
  if [ "${SPANFOLD_BENCH_LARGE:-0}" = 1 ]; then instances+=(random:20000:4000000000:1@1); fi
fi

# The file of an instance, made once.
fileOf() {
  local words=${1%@*}
  local file=$work/${words//:/-}.txt
  if [ ! -s "$file" ]; then
    IFS=: read -r -a parts <<<"$words"
    "$generate" "${parts[@]}" >"$file"
  fi
  printf '%s' "$file"
}

# Wall seconds of one run: threads (empty: all the processors), file, seed.
wall() {
  local threads=$1 file=$2 seed=$3 out
  if [ -n "$threads" ]; then
    out=$( { SPANFOLD_THREADS=$threads /usr/bin/time -f '%e' "$bench" "$file" --solve "$seed" >/dev/null; } 2>&1)
  else
    out=$( { env -u SPANFOLD_THREADS /usr/bin/time -f '%e' "$bench" "$file" --solve "$seed" >/dev/null; } 2>&1)
  fi
  printf '%s' "${out##*$'\n'}"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

cores=$(nproc)
first=${instances[0]}
file=$(fileOf "$first")
alone=() together=()
for _ in $(seq "$runs"); do
  alone+=("$(wall 1 "$file" "${first#*@}")")
  start=$(date +%s.%N)
  wall 1 "$file" "${first#*@}" >/dev/null & wall 1 "$file" "${first#*@}" >/dev/null; wait
  together+=("$(echo "$(date +%s.%N) - $start" | bc -l)")
done
a=$(printf '%s\n' "${alone[@]}" | median)
t=$(printf '%s\n' "${together[@]}" | median)
printf 'host: %s processors; two single-threaded searches of %s at once take %.2f s, one alone %.2f s:\n' \
  "$cores" "${first%@*}" "$t" "$a"
printf '      two threads can do at most %.2f times the work of one here\n\n' \
  "$(echo "2 * $a / $t" | bc -l)"

printf '%-32s %12s %12s %8s\n' instance "1 thread s" "$cores threads s" ratio
for instance in "${instances[@]}"; do
  file=$(fileOf "$instance")
  seed=${instance#*@}
  ones=() alls=() ratios=()
  for _ in $(seq "$runs"); do
    one=$(wall 1 "$file" "$seed")
    all=$(wall "" "$file" "$seed")
    ones+=("$one") alls+=("$all") ratios+=("$(echo "$all / $one" | bc -l)")
  done
  printf '%-32s %12s %12s %8.2f\n' "$instance" "$(printf '%s\n' "${ones[@]}" | median)" \
    "$(printf '%s\n' "${alls[@]}" | median)" "$(printf '%s\n' "${ratios[@]}" | median)"
done
