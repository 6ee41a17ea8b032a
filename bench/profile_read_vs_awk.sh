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

# Milliseconds of the fastest of $runs runs of a command.
best_ms() {
  local best=""
  for ((i = 0; i < runs; i++)); do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    local ms=$(((t1 - t0) / 1000))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
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

reader_us=$(best_ms "$bench" --read-once "$profile")
awk_us=$(best_ms awk_cut "$profile")
awk_name=$(readlink -f "$(command -v awk)")
printf 'reader: %d.%03d ms\n' $((reader_us / 1000)) $((reader_us % 1000))
printf 'awk (%s): %d.%03d ms\n' "$(basename "$awk_name")" $((awk_us / 1000)) $((awk_us % 1000))
awk -v a="$awk_us" -v r="$reader_us" 'BEGIN { printf "ratio awk/reader: %.2f\n", a / r }'

"$bench" --benchmark_repetitions=1
