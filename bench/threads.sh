#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One thread against all the cores, side by side in one run: for the hard families and the big
# end, the whole run's wall time and peak memory with SPANFOLD_THREADS=1 and without it (all the
# processors), the runs of the two in turn, each pair on the same search (read_problem_bench
# with a fixed seed), and the median of each and of the pairs' ratios. First, what the host
# gives two threads at all: the wall time of two single-threaded searches run at once against
# one run alone, the most any two threads can gain here.
#
# Usage: bench/threads.sh [--busy] [BUILD_DIR] [INSTANCE ...]
# An INSTANCE is a generator family with its words joined by ':' and a seed after a '@'
# (zhang:20:1@7). Columns: the median wall seconds of each side and of the ratio (many / one),
# then the median peak resident memory of each side in MB (10^6 bytes, /usr/bin/time's %M) and
# of the ratio. Environment: RUNS (3 pairs by default), THREADS (the count of the many-threads
# side, 1 to 1024; by default SPANFOLD_THREADS is left unset, so the search takes all the
# processors), BUSY=1 (the same as --busy: everything, the host's line included, runs beside one
# other program that burns a core from start to end, as on a shared machine; it is stopped when
# the script ends, by Ctrl-C or an error too), WORK (a folder to keep the generated instances
# in; by default a temporary one), SPANFOLD_BENCH_LARGE=1 adds 20,000 random points.
set -euo pipefail
# A failure inside $(...) ends the script too, rather than timing an empty instance.
shopt -s inherit_errexit
here=$(cd "$(dirname "$0")" && pwd)
busy=${BUSY:-0}
args=()
for arg in "$@"; do
  case $arg in
    --busy) busy=1 ;;
    *) args+=("$arg") ;;
  esac
done
set -- "${args[@]+"${args[@]}"}"
build=${1:-$here/../build/release}
shift || true
bench=$build/bench/read_problem_bench
generate=$build/bench/generate_instance
if [ ! -x "$bench" ] || [ ! -x "$generate" ]; then echo "build first: make bench" >&2; exit 2; fi
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }
runs=${RUNS:-3}
threads=${THREADS:-}
if [ -n "$threads" ]; then
  # The library ignores a SPANFOLD_THREADS out of 1..1024 and takes all the processors: a
  # column headed with a count it did not use would mislead.
  if ! [[ $threads =~ ^[1-9][0-9]{0,3}$ ]] || [ "$threads" -gt 1024 ]; then
    echo "THREADS must be a count from 1 to 1024, not '$threads'" >&2
    exit 2
  fi
fi

work=${WORK:-}
busyPid=
cleanup() {
  if [ -n "$busyPid" ]; then
    kill "$busyPid" 2>/dev/null || true
    wait "$busyPid" 2>/dev/null || true
  fi
  if [ -z "${WORK:-}" ] && [ -n "$work" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
# Without these, a signal would end bash without the EXIT trap, and leave the busy program.
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
if [ -n "$work" ]; then
  mkdir -p "$work"
else
  work=$(mktemp -d)
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

# Wall seconds and peak resident kilobytes of one run, on one line: threads (empty: all the
# processors), file, seed.
measure() {
  local threads=$1 file=$2 seed=$3 out
  if [ -n "$threads" ]; then
    out=$( { SPANFOLD_THREADS=$threads /usr/bin/time -f '%e %M' "$bench" "$file" --solve "$seed" >/dev/null; } 2>&1)
  else
    out=$( { env -u SPANFOLD_THREADS /usr/bin/time -f '%e %M' "$bench" "$file" --solve "$seed" >/dev/null; } 2>&1)
  fi
  printf '%s' "${out##*$'\n'}"
}

# Wall seconds of one run, as measure.
wall() {
  local line
  line=$(measure "$@")
  printf '%s' "${line%% *}"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Megabytes of a count of kilobytes.
megabytes() { echo "$1 * 1024 / 1000000" | bc -l; }

cores=$(nproc)
if [ "$busy" = 1 ]; then
  # A bash loop of builtins burns one core in user time; every few hundred thousand turns it
  # looks for this script, so that it ends by itself within a second even if the script is
  # killed outright (SIGKILL) and its trap never runs.
  bash -c 'while kill -0 "$1" 2>/dev/null; do for ((i = 0; i < 200000; i++)); do :; done; done' \
    spanfold-busy "$$" &
  busyPid=$!
  printf 'beside a busy program: process %s burns one core until the end\n' "$busyPid"
fi

first=${instances[0]}
file=$(fileOf "$first")
alone=() together=()
for _ in $(seq "$runs"); do
  alone+=("$(wall 1 "$file" "${first#*@}")")
  start=$(date +%s.%N)
  wall 1 "$file" "${first#*@}" >/dev/null &
  pair=$!
  wall 1 "$file" "${first#*@}" >/dev/null
  wait "$pair"
  together+=("$(echo "$(date +%s.%N) - $start" | bc -l)")
done
a=$(printf '%s\n' "${alone[@]}" | median)
t=$(printf '%s\n' "${together[@]}" | median)
printf 'host: %s processors; two single-threaded searches of %s at once take %.2f s, one alone %.2f s:\n' \
  "$cores" "${first%@*}" "$t" "$a"
printf '      two threads can do at most %.2f times the work of one here\n\n' \
  "$(echo "2 * $a / $t" | bc -l)"

many=${threads:-$cores}
# The many-threads columns widen to their heading (1024 threads MB).
wide=$(( ${#many} + 11 > 12 ? ${#many} + 11 : 12 ))
printf "%-32s %12s %${wide}s %8s %12s %${wide}s %8s\n" instance "1 thread s" "$many threads s" ratio \
  "1 thread MB" "$many threads MB" ratio
for instance in "${instances[@]}"; do
  file=$(fileOf "$instance")
  seed=${instance#*@}
  ones=() alls=() ratios=() oneKb=() allKb=() memRatios=()
  for _ in $(seq "$runs"); do
    line=$(measure 1 "$file" "$seed")
    read -r one oneK <<<"$line"
    line=$(measure "$threads" "$file" "$seed")
    read -r all allK <<<"$line"
    ones+=("$one") alls+=("$all") ratios+=("$(echo "$all / $one" | bc -l)")
    oneKb+=("$oneK") allKb+=("$allK") memRatios+=("$(echo "$allK / $oneK" | bc -l)")
  done
  printf "%-32s %12s %${wide}s %8.2f %12.1f %${wide}.1f %8.2f\n" "$instance" \
    "$(printf '%s\n' "${ones[@]}" | median)" "$(printf '%s\n' "${alls[@]}" | median)" \
    "$(printf '%s\n' "${ratios[@]}" | median)" \
    "$(megabytes "$(printf '%s\n' "${oneKb[@]}" | median)")" \
    "$(megabytes "$(printf '%s\n' "${allKb[@]}" | median)")" \
    "$(printf '%s\n' "${memRatios[@]}" | median)"
done
