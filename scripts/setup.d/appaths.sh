# Sourced by scripts/setup. Registers the page editor ("qz71", by default the
# macro text editor, which takes fragments dropped from the builder) and the
# builder's folder in Halvard/AppPaths.ini, the settings file (QSettings, INI
# format) the builder reads; without it an installed builder takes the editor
# beside itself. Entries already there are the user's and stay.
k7q_register_app_paths() {
  local conf_dir="${XDG_CONFIG_HOME:-$HOME/.config}/Halvard"
  local conf="$conf_dir/AppPaths.ini"
  local bin="$here/build/bin"
  mkdir -p "$conf_dir"
  touch "$conf"
  # QSettings INI strings: quoted, so commas and blanks stay one value.
  local quoted_bin=${bin//\\/\\\\}
  quoted_bin=${quoted_bin//\"/\\\"}
  if ! grep -q '^\[qz71\]' "$conf"; then
    printf '\n[qz71]\ndefault="%s/K7QBldEditor"\npath="%s"\n' "$quoted_bin" "$quoted_bin" >>"$conf"
  fi
  if ! grep -q '^\[K7QBld\]' "$conf"; then
    printf '\n[K7QBld]\ndefault="%s/K7QBld"\npath="%s"\n' "$quoted_bin" "$quoted_bin" >>"$conf"
  fi
}
k7q_register_app_paths
unset -f k7q_register_app_paths
