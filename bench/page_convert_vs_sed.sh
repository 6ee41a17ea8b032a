#!/usr/bin/env bash
# Page conversion against one sed pass over the same page, in the same run.
# Pages of 100 KB, 1 MB and 10 MB with a table loop every 5 KB. Checks that
# conversion is linear (10x the page takes at most 11x the time) and within
# 3x the time of a sed pass that rewrites every "$(V_". Both are timed as the
# best of RUNS (default 7) in wall time and in CPU time (user + system); the
# checks use CPU time, which other work on a shared machine disturbs least.
# usage: bench/page_convert_vs_sed.sh [BUILD_DIR]   (default: build-pages-bench, a Release build
#        configured with -DK7Q_BUILD_BENCH=ON -DK7Q_BUILD_TESTS=OFF)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-pages-bench}
bin=$build/bin/bench_page_convert
runs=${RUNS:-7}
[ -x "$bin" ] || { echo "page_convert_vs_sed: $bin not built" >&2; exit 2; }

# Both run on the same folder; a memory file system when there is one, so
# that what is timed is the work on the text and not the disk's latency
# (each loop becomes a component file of its own).
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$bin" --write-pages "$dir"

min() { awk -v x="$1" -v y="$2" 'BEGIN { print (y == "" || x < y) ? x : y }'; }

# Best wall and best CPU seconds of $runs sed passes.
time_sed() {
  local wall="" cpu="" t
  for _ in $(seq "$runs"); do
    t=$( { TIMEFORMAT='%3R %3U %3S'; time LC_ALL=C sed 's/\$(V_/$(W_/g' "$1" >"$dir/sed.out"; } 2>&1 )
    read -r r u s <<<"$t"
    wall=$(min "$r" "$wall")
    cpu=$(min "$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.3f", u + s }')" "$cpu")
  done
  echo "$wall $cpu"
}

status=0
declare -A conv
printf "%-6s %10s %10s %10s %10s %10s\n" page conv_wall sed_wall conv_cpu sed_cpu cpu_ratio
for size in 100k 1m 10m; do
  page=$dir/page_$size.htm
  read -r cw cc < <("$bin" --convert "$page" "$runs")
  read -r sw sc < <(time_sed "$page")
  conv[$size]=$cc
  ratio=$(awk -v c="$cc" -v s="$sc" 'BEGIN { if (s <= 0) s = 0.01; printf "%.2f", c / s }')
  printf "%-6s %10s %10s %10s %10s %10s\n" "$size" "$cw" "$sw" "$cc" "$sc" "$ratio"
  if [ "$size" = 10m ] && awk -v r="$ratio" 'BEGIN { exit !(r > 3) }'; then
    echo "page_convert_vs_sed: $size: conversion takes more than 3x the sed pass" >&2
    status=1
  fi
done
growth=$(awk -v a="${conv[1m]}" -v b="${conv[10m]}" 'BEGIN { printf "%.2f", b / a }')
echo "1 MB -> 10 MB: ${growth}x the CPU time"
if awk -v g="$growth" 'BEGIN { exit !(g > 11) }'; then
  echo "page_convert_vs_sed: conversion is not linear" >&2
  status=1
fi
exit $status
