# Sourced by scripts/setup. Makes the profile creator usable out of the box:
# the SQLite3 ODBC driver registered with the driver manager, a user data
# source "K7QSample" for the sample database, and the builder's
# DataBaseImagePath setting (where the creator finds the loop marker images).
# Idempotent; entries the user changed stay as they are.
k7q_setup_odbc() {

  # The driver: normally registered by its package, but not on every system.
  if ! odbcinst -q -d -n SQLite3 >/dev/null 2>&1; then
    local lib
    lib=$(ls /usr/lib/*/odbc/libsqlite3odbc.so 2>/dev/null | head -n 1)
    if [ -n "$lib" ]; then
      local template
      template=$(mktemp)
      printf '[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=%s\nSetup=%s\n' "$lib" "$lib" >"$template"
      odbcinst -i -d -f "$template" >/dev/null
      rm -f "$template"
    else
      echo "setup: the SQLite3 ODBC driver library is missing (package libsqliteodbc)" >&2
    fi
  fi

  # The sample database is made by the build (share/tovra/sample/shop.db of
  # the build tree scripts/run uses); the data source points there.
  local db="$here/build/share/tovra/sample/shop.db"

  # The user data source (~/.odbc.ini, or $ODBCINI when set), rewritten while
  # it is ours: one the user pointed at another existing database stays.
  # NoCreat: a missing file is a failed connection, never a new empty database
  # where the build is about to put the sample.
  local current
  current=$(odbcinst -q -s -h -n K7QSample 2>/dev/null | sed -n 's/^Database=//p' || true)
  if [ -z "$current" ] || [ "$current" = "$db" ] || [ ! -e "$current" ]; then
    odbcinst -u -s -h -n K7QSample >/dev/null 2>&1 || true
    local template
    template=$(mktemp)
    printf '[K7QSample]\nDescription=K7Q sample shop database\nDriver=SQLite3\nDatabase=%s\nNoCreat=1\n' \
      "$db" >"$template"
    odbcinst -i -s -h -f "$template" >/dev/null
    rm -f "$template"
  fi

  # The builder's settings file, as QSettings writes it: the key in the
  # [FilePath] group, unless it already names a folder that has the images.
  local conf_dir="${XDG_CONFIG_HOME:-$HOME/.config}/Halvard"
  local conf="$conf_dir/K7QBld.ini"
  mkdir -p "$conf_dir"
  touch "$conf"
  local images
  images=$(awk '/^\[/{g=$0} g=="[FilePath]" && sub(/^DataBaseImagePath=/, "") {gsub(/^"|"$/, ""); print; exit}' "$conf")
  if [ -z "$images" ] || [ ! -f "$images/k7q_loop_start.gif" ]; then
    local value="$here/data/tovra"
    value=${value//\\/\\\\}
    value=${value//\"/\\\"}
    awk -v line="DataBaseImagePath=\"$value\"" '
      /^\[/ { g = $0 }
      g == "[FilePath]" && /^DataBaseImagePath=/ { if (!done) print line; done = 1; next }
      { print }
      $0 == "[FilePath]" && !done { print line; done = 1 }
      END { if (!done) { print ""; print "[FilePath]"; print line } }
    ' "$conf" >"$conf.new" && mv -f "$conf.new" "$conf"
  fi
}
k7q_setup_odbc
unset -f k7q_setup_odbc
