#!/usr/bin/env bash
# The profile creator's speed against the database's own shell: a SQLite file
# of TABLES tables x 10 columns x ROWS rows (default 50 x 100,000), one
# profile run through the SQLite3 ODBC driver, then the sqlite3 shell on the
# same file running "SELECT MAX(column) FROM table" for every column (one scan
# per column), and running one "SELECT MAX(c1), ..., MAX(c10) FROM table" per
# table (one scan per table: the floor for sampling every column).
# Prints the three best times of REPEAT runs (default 3) and the creator's
# ratio to each.
#   bench/pbuild_vs_sqlite.sh [BUILD_DIR]     (default: build, as scripts/run makes it)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build}
tables=${TABLES:-50}
rows=${ROWS:-100000}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DK7Q_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target pbuild_vq5 pbuild_lang k7qdata >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db="$work/bench.db"

echo "making $tables tables x 10 columns x $rows rows ..." >&2
{
  echo "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
  for ((t = 0; t < tables; ++t)); do
    echo "CREATE TABLE t$t(id INTEGER, code VARCHAR(12), name VARCHAR(40), qty INTEGER,"
    echo " price DOUBLE, rate REAL, day DATE, flag SMALLINT, note VARCHAR(80), total BIGINT);"
    echo "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)"
    echo " INSERT INTO t$t SELECT i, printf('C%08d', (i * 7919) % $rows), 'name ' || i, i % 1000,"
    echo " i * 0.25, i % 97 * 1.5, date('2020-01-01', '+' || (i % 3000) || ' days'), i % 2,"
    echo " 'note ' || (i * 31 % 100000), i * 1000 FROM n;"
  done
  echo "COMMIT;"
} | sqlite3 "$db" >/dev/null

cat >"$work/odbc.ini" <<INI
[K7QBench]
Driver=SQLite3
Database=$db
INI

columns=(id code name qty price rate day flag note total)
queries="$work/max.sql"
combined="$work/max-per-table.sql"
for ((t = 0; t < tables; ++t)); do
  list=""
  for c in "${columns[@]}"; do
    echo "SELECT MAX(\"$c\") FROM \"t$t\";" >>"$queries"
    list+="${list:+, }MAX(\"$c\")"
  done
  echo "SELECT $list FROM \"t$t\";" >>"$combined"
done

# The machine may be busy with other work: each is timed REPEAT times, in
# turn, and the best time counts.
repeat=${REPEAT:-3}
now() { date +%s.%N; }
elapsed() { awk -v a="$(now)" -v b="$1" 'BEGIN { print a - b }'; }
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
# Both read the same file; one untimed pass first so both find it in the page cache.
sqlite3 "$db" <"$queries" >/dev/null

creator= shell= floor=
for ((i = 0; i < repeat; ++i)); do
  rm -rf "$work/out"
  start=$(now)
  ODBCINI="$work/odbc.ini" "$build/bin/pbuild_vq5" --dsn K7QBench --user bench --password "" \
    --folder "$work/out" >/dev/null 2>"$work/creator.log" || { cat "$work/creator.log" >&2; exit 1; }
  creator=$(best "$(elapsed "$start")" "$creator")

  start=$(now)
  sqlite3 "$db" <"$queries" >/dev/null
  shell=$(best "$(elapsed "$start")" "$shell")

  start=$(now)
  sqlite3 "$db" <"$combined" >/dev/null
  floor=$(best "$(elapsed "$start")" "$floor")
done

lines=$(grep -c '^t[0-9]' "$work/out/k7q_pro_K7QBench/K7QBench.k7q_pro")
printf 'columns sampled: %d\n' "$lines"
printf 'creator (pbuild_vq5 through ODBC):          %.2f s\n' "$creator"
printf 'sqlite3 shell, one MAX per column:          %.2f s\n' "$shell"
printf 'sqlite3 shell, one MAX statement per table: %.2f s\n' "$floor"
awk -v a="$creator" -v b="$shell" 'BEGIN { printf "ratio creator/per-column shell:             %.2f\n", a / b }'
awk -v a="$creator" -v b="$floor" 'BEGIN { printf "ratio creator/per-table shell (goal 1.2):   %.2f\n", a / b }'
