#!/usr/bin/env bash
# The profile creator's speed on PostgreSQL against psql: TABLES tables of
# 10 ordinary columns x ROWS rows (default 1 x 1,000,000) in a database of the
# test cluster, one profile run through psqlODBC, then psql running the same
# sampling statements, one "SELECT MAX(c1), ..., MAX(c10) FROM table" per
# table. Both log in over TCP with the same password. Prints the best times of
# REPEAT runs (default 3) and their ratio (creator / psql).
#   bench/pbuild_vs_psql.sh [BUILD_DIR]     (default: build, as scripts/run makes it)
# Uses the cluster named by K7Q_PG_* (as scripts/test.d/postgres.sh prints
# them); without them it starts that cluster and stops it at the end (do not
# run it then while scripts/test runs in the same checkout).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build}
tables=${TABLES:-1}
rows=${ROWS:-1000000}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DK7Q_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target pbuild_vq5 pbuild_lang k7qdata >/dev/null

work=$(mktemp -d)
started=
cleanup() {
  rm -rf "$work"
  if [ -n "$started" ]; then bash "$here/scripts/test.d/postgres.sh" stop || true; fi
}
trap cleanup EXIT
if [ -z "${K7Q_PG_PORT:-}" ]; then
  while IFS= read -r line; do export "${line?}"; done < <(bash "$here/scripts/test.d/postgres.sh" start)
  started=1
fi
database=k7q_bench
admin=(psql -q -X -v ON_ERROR_STOP=1 -h "$K7Q_PG_SOCKET_DIR" -p "$K7Q_PG_PORT" -U postgres)

echo "making $tables tables x 10 columns x $rows rows ..." >&2
"${admin[@]}" -d postgres -c "DROP DATABASE IF EXISTS $database" \
  -c "CREATE DATABASE $database OWNER $K7Q_PG_USER ENCODING UTF8 TEMPLATE template0" >&2
columns=(id code name qty price rate day flag note total)
combined="$work/max-per-table.sql"
{
  for ((t = 0; t < tables; ++t)); do
    echo "CREATE TABLE t$t(id integer, code varchar(12), name varchar(40), qty integer,"
    echo " price double precision, rate real, day date, flag smallint, note varchar(80), total bigint);"
    echo "INSERT INTO t$t SELECT i, 'C' || lpad(((i::bigint * 7919) % $rows)::text, 8, '0'), 'name ' || i,"
    echo " i % 1000, i * 0.25, i % 97 * 1.5, DATE '2020-01-01' + i % 3000, i % 2,"
    echo " 'note ' || (i * 31 % 100000), i::bigint * 1000 FROM generate_series(1, $rows) AS i;"
    echo "ALTER TABLE t$t OWNER TO $K7Q_PG_USER;"
  done
  echo "VACUUM ANALYZE;"
} | "${admin[@]}" -d "$database" >&2
for ((t = 0; t < tables; ++t)); do
  list=""
  for c in "${columns[@]}"; do list+="${list:+, }MAX(\"$c\")"; done
  echo "SELECT $list FROM \"t$t\";"
done >"$combined"

cat >"$work/odbc.ini" <<INI
[K7QBenchPg]
Driver=PostgreSQL ANSI
Servername=127.0.0.1
Port=$K7Q_PG_PORT
Database=$database
CommLog=0
Debug=0
INI
printf '%s\n' "$K7Q_PG_PASSWORD" >"$work/pw"
chmod 0600 "$work/pw"

repeat=${REPEAT:-3}
now() { date +%s.%N; }
elapsed() { awk -v a="$(now)" -v b="$1" 'BEGIN { print a - b }'; }
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
user_psql=(psql -q -X -h 127.0.0.1 -p "$K7Q_PG_PORT" -U "$K7Q_PG_USER" -d "$database")
# Both read the same table; one untimed pass first so both find it in the server's cache.
PGPASSWORD=$K7Q_PG_PASSWORD "${user_psql[@]}" -f "$combined" >/dev/null

# The machine may be busy with other work: each is timed REPEAT times, in
# turn, and the best time counts.
creator= shell=
for ((i = 0; i < repeat; ++i)); do
  rm -rf "$work/out"
  start=$(now)
  ODBCINI="$work/odbc.ini" "$build/bin/pbuild_vq5" --dsn K7QBenchPg --user "$K7Q_PG_USER" \
    --password-file "$work/pw" --folder "$work/out" >/dev/null 2>"$work/creator.log" \
    || { cat "$work/creator.log" >&2; exit 1; }
  creator=$(best "$(elapsed "$start")" "$creator")

  start=$(now)
  PGPASSWORD=$K7Q_PG_PASSWORD "${user_psql[@]}" -f "$combined" >/dev/null
  shell=$(best "$(elapsed "$start")" "$shell")
done

lines=$(grep -c '^t[0-9]' "$work/out/k7q_pro_K7QBenchPg/K7QBenchPg.k7q_pro")
printf 'columns sampled: %d\n' "$lines"
printf 'creator (pbuild_vq5 through psqlODBC):   %.2f s\n' "$creator"
printf 'psql, one MAX statement per table:       %.2f s\n' "$shell"
awk -v a="$creator" -v b="$shell" 'BEGIN { printf "ratio creator/psql (goal 1.2):           %.2f\n", a / b }'
"${admin[@]}" -d postgres -c "DROP DATABASE $database" >&2
