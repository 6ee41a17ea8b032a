#!/usr/bin/env bash
# A private PostgreSQL cluster for the profile creator's tests: a temporary
# data folder, a loopback port, a login role with a password and a database,
# and an odbc.ini with a data source for it.
#   postgres.sh start   prints K7Q_PG_* lines for the tests' environment
#   postgres.sh stop    stops the cluster and removes its folder
# Everything but those lines goes to standard error.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
state="${TMPDIR:-/tmp}/k7q-pg-$(id -u)-$(printf '%s' "$here" | md5sum | cut -c1-12)"

pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$pgbin" ]; then
  echo "postgres.sh: no PostgreSQL server installed (scripts/setup installs it)" >&2
  exit 1
fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

stop() {
  [ -f "$state" ] || return 0
  local dir
  dir=$(cat "$state")
  if [ -d "$dir/data" ]; then
    as_owner "$pgbin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir" "$state"
}

start() {
  stop
  local dir port user=k7q password=k7q-test-secret database=k7qtest
  dir=$(mktemp -d "${TMPDIR:-/tmp}/k7q-pg.XXXXXX")
  chmod 0755 "$dir"
  if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
  echo "$dir" >"$state"

  port=55432
  while port_in_use "$port"; do port=$((port + 1)); done

  printf '%s\n' "$password" >"$dir/pw"
  chmod 0644 "$dir/pw"
  as_owner "$pgbin/initdb" -D "$dir/data" -U postgres -E UTF8 --locale=C.UTF-8 \
    --auth-local=trust --auth-host=scram-sha-256 --pwfile="$dir/pw" >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  rm -f "$dir/pw"
  as_owner "$pgbin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-p $port -k $dir -c listen_addresses=127.0.0.1" start >&2 \
    || { cat "$dir/server.log" >&2; exit 1; }
  as_owner "$pgbin/psql" -q -h "$dir" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 \
    -c "CREATE ROLE $user LOGIN PASSWORD '$password'" \
    -c "CREATE DATABASE $database OWNER $user ENCODING 'UTF8' TEMPLATE template0" >&2

  cat >"$dir/odbc.ini" <<INI
[K7QPg]
Description=Private PostgreSQL cluster of the tests
Driver=PostgreSQL ANSI
Servername=127.0.0.1
Port=$port
Database=$database
CommLog=0
Debug=0
INI
  chmod 0644 "$dir/odbc.ini"

  echo "K7Q_PG_PORT=$port"
  echo "K7Q_PG_HOST=127.0.0.1"
  echo "K7Q_PG_SOCKET_DIR=$dir"
  echo "K7Q_PG_DATABASE=$database"
  echo "K7Q_PG_USER=$user"
  echo "K7Q_PG_PASSWORD=$password"
  echo "K7Q_PG_DSN=K7QPg"
  echo "K7Q_PG_DSN_FILE=$dir/odbc.ini"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
