#!/usr/bin/env bash
# Reads a profile of 1,024 tables x 64 columns with samples twice: once with
# the builder's reader, once with a single awk pass that cuts the same fixed
# fields from every line. Prints both times (best of RUNS, each a fresh
# process) and the ratio awk / reader (above 1: the reader is faster), then
# the Google Benchmark run over 256, 512 and 1,024 tables.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build-profile-bench"
runs=${RUNS:-5}

# GCC 12 at -O3 reports impossible std::string copies as -Wrestrict (a known
# false positive of that compiler); the sanitizer build keeps the warning.
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DK7Q_BUILD_BENCH=ON \
  -DK7Q_BUILD_TESTS=OFF -DCMAKE_CXX_FLAGS=-Wno-restrict >/dev/null
cmake --build "$build" -j2 --target bench_profile_read >/dev/null
bench="$build/bin/bench_profile_read"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
profile="$work/BENCH.k7q_pro"
"$bench" --write-profile "$profile" 1024
echo "profile: $(wc -l <"$profile") lines, $(wc -c <"$profile") bytes"

# "WALL CPU" in milliseconds, each the smallest of $runs runs of a command;
# CPU is user + system time, which other work on a shared machine disturbs less.
best_ms() {
  local best_wall="" best_cpu=""
  for ((i = 0; i < runs; i++)); do
    local line wall cpu
    line=$({ TIMEFORMAT='%3R %3U %3S'; time "$@" >/dev/null 2>&1; } 2>&1)
    wall=$(echo "$line" | awk '{ printf "%d", $1 * 1000 }')
    cpu=$(echo "$line" | awk '{ printf "%d", ($2 + $3) * 1000 }')
    if [ -z "$best_wall" ] || [ "$wall" -lt "$best_wall" ]; then best_wall=$wall; fi
    if [ -z "$best_cpu" ] || [ "$cpu" -lt "$best_cpu" ]; then best_cpu=$cpu; fi
  done
  echo "$best_wall $best_cpu"
}

# The same fields as the reader cuts: 18, 18, 18, 11 and 6 characters at
# offsets 0, 19, 38, 57 and 69, and the rest from 76.
awk_cut() {
  LC_ALL=C awk '{
    t = substr($0, 1, 18); c = substr($0, 20, 18); y = substr($0, 39, 18)
    l = substr($0, 58, 11); s = substr($0, 70, 6); r = substr($0, 77)
    n += length(t) + length(c) + length(y) + length(l) + length(s) + length(r)
  } END { print n }' "$1"
}

read -r reader_wall reader_cpu < <(best_ms "$bench" --read-once "$profile")
read -r awk_wall awk_cpu < <(best_ms awk_cut "$profile")
awk_name=$(basename "$(readlink -f "$(command -v awk)")")
echo "reader: wall $reader_wall ms, cpu $reader_cpu ms (best of $runs processes)"
echo "awk ($awk_name): wall $awk_wall ms, cpu $awk_cpu ms (best of $runs processes)"
awk -v aw="$awk_wall" -v rw="$reader_wall" -v ac="$awk_cpu" -v rc="$reader_cpu" 'BEGIN {
  printf "ratio awk/reader: wall %.2f, cpu %.2f (above 1: the reader is faster)\n", aw / rw, ac / rc }'

"$bench" --benchmark_repetitions=1
