#!/usr/bin/env bash
# Page conversion against one sed pass over the same page, in the same run.
# Pages of 100 KB, 1 MB and 10 MB with a table loop every few KB. Checks that
# conversion is linear (10x the page takes at most 11x the time) and within
# 3x the time of a sed pass that rewrites every "$(V_".
# usage: bench/page_convert_vs_sed.sh [BUILD_DIR]   (default: build-pages-bench, a Release build
#        configured with -DK7Q_BUILD_BENCH=ON -DK7Q_BUILD_TESTS=OFF)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-pages-bench}
bin=$build/bin/bench_page_convert
runs=${RUNS:-7}
[ -x "$bin" ] || { echo "page_convert_vs_sed: $bin not built" >&2; exit 2; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$bin" --write-pages "$dir"

# Best of $runs sed passes, in seconds.
time_sed() {
  local best=""
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s%N)
    LC_ALL=C sed 's/\$(V_/$(W_/g' "$1" >"$dir/sed.out"
    t1=$(date +%s%N)
    local s
    s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", (b - a) / 1e9 }')
    if [ -z "$best" ] || awk -v x="$s" -v y="$best" 'BEGIN { exit !(x < y) }'; then best=$s; fi
  done
  echo "$best"
}

status=0
declare -A conv
printf "%-6s %12s %12s %8s\n" page convert_s sed_s ratio
for size in 100k 1m 10m; do
  page=$dir/page_$size.htm
  c=$("$bin" --convert "$page" "$runs")
  s=$(time_sed "$page")
  conv[$size]=$c
  ratio=$(awk -v c="$c" -v s="$s" 'BEGIN { printf "%.2f", c / s }')
  printf "%-6s %12s %12s %8s\n" "$size" "$c" "$s" "$ratio"
  if [ "$size" != 100k ] && awk -v r="$ratio" 'BEGIN { exit !(r > 3) }'; then
    echo "page_convert_vs_sed: $size: conversion takes more than 3x the sed pass" >&2
    status=1
  fi
done
growth=$(awk -v a="${conv[1m]}" -v b="${conv[10m]}" 'BEGIN { printf "%.2f", b / a }')
echo "1 MB -> 10 MB: ${growth}x the time"
if awk -v g="$growth" 'BEGIN { exit !(g > 11) }'; then
  echo "page_convert_vs_sed: conversion is not linear" >&2
  status=1
fi
exit $status
