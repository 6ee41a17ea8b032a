#!/usr/bin/env bash
# Page conversion against one sed pass over the same page, in the same run.
# Pages of 100 KB, 1 MB and 10 MB with a table loop every 5 KB, their markup
# as the builder's fragments write it ("canonical") and as an HTML tidier
# leaves it ("tidied": lower case, attributes reordered and quoted
# otherwise, tags wrapped over lines, "<img ... />"); and the refusal of a
# page with 100,000 value tags that are never closed. Checks that conversion
# is linear (10x the page takes at most 11x the time) and within 3x the time
# of a sed pass that rewrites every "$(V_", for both markups at 10 MB and for
# the refused page. Both are timed as the best of RUNS (default 7) in wall
# time and in CPU time (user + system); the checks use CPU time, which other
# work on a shared machine disturbs least.
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

ratio() { awk -v c="$1" -v s="$2" 'BEGIN { if (s <= 0) s = 0.01; printf "%.2f", c / s }'; }

status=0
declare -A conv
printf "%-16s %10s %10s %10s %10s %10s\n" page conv_wall sed_wall conv_cpu sed_cpu cpu_ratio
for markup in canonical tidied; do
  prefix=page_
  [ "$markup" = tidied ] && prefix=page_tidied_
  for size in 100k 1m 10m; do
    page=$dir/$prefix$size.htm
    read -r cw cc < <("$bin" --convert "$page" "$runs")
    read -r sw sc < <(time_sed "$page")
    conv[$markup$size]=$cc
    r=$(ratio "$cc" "$sc")
    printf "%-16s %10s %10s %10s %10s %10s\n" "$markup $size" "$cw" "$sw" "$cc" "$sc" "$r"
    if [ "$size" = 10m ] && awk -v r="$r" 'BEGIN { exit !(r > 3) }'; then
      echo "page_convert_vs_sed: $markup $size: conversion takes more than 3x the sed pass" >&2
      status=1
    fi
  done
  growth=$(awk -v a="${conv[${markup}1m]}" -v b="${conv[${markup}10m]}" 'BEGIN { printf "%.2f", b / a }')
  echo "$markup 1 MB -> 10 MB: ${growth}x the CPU time"
  if awk -v g="$growth" 'BEGIN { exit !(g > 11) }'; then
    echo "page_convert_vs_sed: $markup: conversion is not linear" >&2
    status=1
  fi
done

page=$dir/unclosed_100000.htm
read -r cw cc < <("$bin" --refuse "$page" "$runs" 2>/dev/null)
read -r sw sc < <(time_sed "$page")
r=$(ratio "$cc" "$sc")
printf "%-16s %10s %10s %10s %10s %10s\n" "unclosed 100000" "$cw" "$sw" "$cc" "$sc" "$r"
if awk -v r="$r" 'BEGIN { exit !(r > 3) }'; then
  echo "page_convert_vs_sed: refusing 100,000 unclosed value tags takes more than 3x the sed pass" >&2
  status=1
fi
exit $status
