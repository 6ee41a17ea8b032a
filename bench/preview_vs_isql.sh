#!/usr/bin/env bash
# The live preview's page against unixODBC's own shell, in the same run: a
# report of 1,000 rows x 10 columns made by `k7q run` (start, connect, run
# the SELECT, fill the row template, write the page) and the same SELECT
# through `isql` (start, connect, fetch, print) on the same SQLite data
# source. Both are timed as the best of RUNS (default 7) batches of BATCH
# (default 10) runs, in wall time and in CPU time (user + system); the check
# uses CPU time, which other work on a shared machine disturbs least: the page
# must take at most 1.5x isql.
# usage: bench/preview_vs_isql.sh [BUILD_DIR]   (default: build-preview-bench, a Release build
#        configured with -DK7Q_BUILD_TESTS=OFF; k7q and pbuild_vq5 are built when missing)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-preview-bench}
runs=${RUNS:-7}
if [ ! -x "$build/bin/k7q" ] || [ ! -x "$build/bin/pbuild_vq5" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DK7Q_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target k7q pbuild_vq5 K7QBld_lang pbuild_lang k7qdata >&2
fi
bin=$build/bin

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME=$dir/config QT_QPA_PLATFORM=offscreen
columns="c1,c2,c3,c4,c5,c6,c7,c8,c9,c10"
sqlite3 "$dir/bench.db" <<SQL
CREATE TABLE t(c1 INTEGER, c2 VARCHAR(20), c3 VARCHAR(20), c4 DECIMAL(10,2), c5 DATE,
               c6 VARCHAR(40), c7 INTEGER, c8 VARCHAR(20), c9 VARCHAR(20), c10 VARCHAR(20));
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)
INSERT INTO t SELECT i, 'name ' || i, 'kind ' || (i % 7), i * 1.25, date('2024-01-01', '+' || i || ' days'),
                     'a longer text for row ' || i, i * 3, 'x' || i, 'y' || i, 'z' || i FROM n;
SQL
printf '[K7QBench]\nDriver=SQLite3\nDatabase=%s\nNoCreat=1\n' "$dir/bench.db" >"$dir/odbc.ini"
export ODBCINI=$dir/odbc.ini

"$bin/pbuild_vq5" --dsn K7QBench --user bench --password "" --folder "$dir" --no-samples >/dev/null
profile=$dir/k7q_pro_K7QBench/K7QBench.k7q_pro
macro=$dir/bench.k7q
{
  printf '%%DEFINE{\r\nDATABASE="K7QBench"\r\n%%}\r\n'
  printf '%%FUNCTION(RZV_SQL)ROWS(){\r\nSELECT %s FROM t\r\n%%REPORT{\r\n<TABLE>\r\n%%ROW{\r\n<TR>' "$columns"
  for c in ${columns//,/ }; do printf '<TD>$(V_%s)</TD>' "$c"; done
  printf '</TR>\r\n%%}\r\n</TABLE>\r\n%%}\r\n%%}\r\n%%HTML(REPORT){\r\n<HTML><BODY>\r\n@ROWS()\r\n</BODY></HTML>\r\n%%}\r\n'
} >"$macro"

# The page must hold every row, else the check would time something else.
rows=$("$bin/k7q" run "$macro" --profile "$profile" --report | grep -c '^<TR><TD>')
[ "$rows" -eq 1000 ] || { echo "preview_vs_isql: the page has $rows rows, not 1000" >&2; exit 1; }
fetched=$(echo "SELECT $columns FROM t" | isql -b -d'|' -x0x09 K7QBench | grep -c '^[0-9]')
[ "$fetched" -eq 1000 ] || { echo "preview_vs_isql: isql printed $fetched rows, not 1000" >&2; exit 1; }

min() { awk -v x="$1" -v y="$2" 'BEGIN { print (y == "" || x < y) ? x : y }'; }
# Seconds of one run: the best of $runs batches of $batch runs each (a batch
# is timed whole, so the shell's millisecond clock does not decide).
batch=${BATCH:-10}
page_batch() { for _ in $(seq "$batch"); do "$bin/k7q" run "$macro" --profile "$profile" --report >"$dir/page.html"; done; }
isql_batch() { for _ in $(seq "$batch"); do isql -b K7QBench <<<"SELECT $columns FROM t" >"$dir/isql.out"; done; }
page_wall="" page_cpu="" isql_wall="" isql_cpu=""
for _ in $(seq "$runs"); do
  for which in page isql; do
    t=$( { TIMEFORMAT='%3R %3U %3S'; time "${which}_batch"; } 2>&1 )
    read -r r u s <<<"$t"
    r=$(awk -v r="$r" -v n="$batch" 'BEGIN { printf "%.4f", r / n }')
    c=$(awk -v u="$u" -v s="$s" -v n="$batch" 'BEGIN { printf "%.4f", (u + s) / n }')
    if [ "$which" = page ]; then
      page_wall=$(min "$r" "$page_wall"); page_cpu=$(min "$c" "$page_cpu")
    else
      isql_wall=$(min "$r" "$isql_wall"); isql_cpu=$(min "$c" "$isql_cpu")
    fi
  done
done
ratio=$(awk -v p="$page_cpu" -v i="$isql_cpu" 'BEGIN { if (i <= 0) i = 0.001; printf "%.2f", p / i }')
printf "%-10s %10s %10s\n" "" wall_s cpu_s
printf "%-10s %10s %10s\n" "k7q run" "$page_wall" "$page_cpu"
printf "%-10s %10s %10s\n" isql "$isql_wall" "$isql_cpu"
echo "1,000 rows x 10 columns: the page takes ${ratio}x the CPU time of isql"
if awk -v r="$ratio" 'BEGIN { exit !(r > 1.5) }'; then
  echo "preview_vs_isql: the page takes more than 1.5x isql" >&2
  exit 1
fi
