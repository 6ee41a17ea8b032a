#!/usr/bin/env bash
# An installation on its own: installs the build into a fresh place and
# starts every program from there on Qt's offscreen platform, with an empty
# home (no settings, no scripts/setup), so that it must find its language
# libraries, page editor, marker images, library files and sample database in
# the installation.
#   install_test.sh install BUILD_DIR   cmake --install into a temporary prefix
#   install_test.sh deb BUILD_DIR       cpack -G DEB, then dpkg -i into a fresh root
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/k7q-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "install_test: $mode: $*" >&2
  [ ! -s "$work/programs.err" ] || { echo "what the programs said:" >&2; tail -n 40 "$work/programs.err" >&2; }
  exit 1
}

case "$mode" in
  install)
    cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" || {
      cat "$work/install.log" >&2
      fail "cmake --install failed"
    }
    prefix=$work/prefix
    ;;
  deb)
    cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 || {
      cat "$work/cpack.log" >&2
      fail "cpack failed"
    }
    deb=$(ls "$work"/package/*.deb)
    # The dependencies are the libraries' packages, read from the programs.
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libqt6widgets6 libqt6gui6 libodbc2 libgd3 libstdc++6; do
      grep -q "\b$lib\b" <<<"$depends" || fail "$lib is not among the package's dependencies: $depends"
    done
    # A root of its own with an empty package database but for the states of
    # this machine's packages, so that dpkg checks every dependency against
    # what is really installed (and refuses the package if one is missing).
    root=$work/root
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
    cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
    : >"$root/var/lib/dpkg/available"
    force=()
    [ "$(id -u)" -eq 0 ] || force=(--force-not-root)
    dpkg --root="$root" --log=/dev/null "${force[@]}" -i "$deb" >"$work/dpkg.log" 2>&1 || {
      cat "$work/dpkg.log" >&2
      fail "dpkg -i failed"
    }
    dpkg-query --root="$root" -W -f='${Status}' k7q | grep -q "install ok installed" \
      || fail "dpkg does not list the package as installed"
    prefix=$root/usr
    ;;
  *)
    fail "usage: install_test.sh install|deb BUILD_DIR"
    ;;
esac

bin=$prefix/bin
share=$prefix/share
for program in K7QBld K7QBldEditor plaunch pbuild_vq5 pbuild_odbc k7q; do
  [ -x "$bin/$program" ] || fail "$program is not installed"
done
for file in K7QBld_lang.so pbuild_lang.so; do
  [ -f "$bin/$file" ] || fail "$file is not installed beside the programs"
done
for file in tovra/k7q_loop_start.gif tovra/k7q_loop_end.gif tovra/sample/shop.db \
  tovra/samples/shop_input.htm tovra/samples/shop_report.htm mime/packages/k7q.xml; do
  [ -f "$share/$file" ] || fail "share/$file is not installed"
done

# An empty home: no settings, no data sources but the test's own.
home=$work/home
mkdir -p "$home"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
  XDG_STATE_HOME=$home/.local/state XDG_CACHE_HOME=$home/.cache QT_QPA_PLATFORM=offscreen \
  XDG_RUNTIME_DIR=$home/runtime LANG=C.UTF-8 LC_ALL=C.UTF-8
mkdir -m 0700 "$XDG_RUNTIME_DIR"
printf '[K7QInstalled]\nDriver=SQLite3\nDatabase=%s\nNoCreat=1\n' "$share/tovra/sample/shop.db" >"$work/odbc.ini"
export ODBCINI=$work/odbc.ini

# --help and --version on standard output, exit 0, for every program.
for program in K7QBld K7QBldEditor plaunch pbuild_vq5 pbuild_odbc k7q; do
  version=$("$bin/$program" --version) || fail "$program --version failed"
  [ "$version" = "$program 1.0" ] || fail "$program --version printed '$version'"
  "$bin/$program" --help >"$work/help" || fail "$program --help failed"
  grep -q "$program" "$work/help" || fail "$program --help does not name the program"
done

# Desktop entries that validate, and their file types known to the desktop.
for entry in K7QBld K7QBldEditor plaunch; do
  desktop-file-validate "$share/applications/$entry.desktop" || fail "$entry.desktop does not validate"
  grep -q "^Exec=$entry\b" "$share/applications/$entry.desktop" || fail "$entry.desktop starts another program"
done
cp -r "$share/mime" "$work/mime"
update-mime-database "$work/mime" >/dev/null
grep -qx 'application/x-k7q-macro:\*\.k7q' <(cut -d: -f2,3 "$work/mime/globs2") || fail "*.k7q has no file type"
grep -qx 'application/x-k7q-profile:\*\.k7q_pro' <(cut -d: -f2,3 "$work/mime/globs2") || fail "*.k7q_pro has no file type"
cp -r "$share/applications" "$work/applications"
update-desktop-database "$work/applications" >/dev/null
grep -qx 'application/x-k7q-macro=K7QBld.desktop;K7QBldEditor.desktop;' "$work/applications/mimeinfo.cache" \
  || grep -qx 'application/x-k7q-macro=K7QBldEditor.desktop;K7QBld.desktop;' "$work/applications/mimeinfo.cache" \
  || fail "macros do not open in the builder: $(cat "$work/applications/mimeinfo.cache")"
grep -qx 'application/x-k7q-profile=K7QBld.desktop;' "$work/applications/mimeinfo.cache" \
  || fail "profiles do not open in the builder"

# Icons at every size of the hicolor theme and scalable, for each program.
for icon in K7QBld K7QBldEditor plaunch; do
  for size in 16 22 24 32 48 64 128 256; do
    file "$share/icons/hicolor/${size}x${size}/apps/$icon.png" | grep -q "PNG image data, $size x $size" \
      || fail "the ${size}-pixel $icon icon is missing"
  done
  grep -q "<svg" "$share/icons/hicolor/scalable/apps/$icon.svg" || fail "the scalable $icon icon is missing"
done

# A manual page per program that man shows without a warning.
for page in K7QBld K7QBldEditor plaunch pbuild_vq5 pbuild_odbc k7q; do
  MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1" >"$work/man.out" 2>"$work/man.err" \
    || fail "man cannot show $page.1"
  [ ! -s "$work/man.err" ] || fail "$page.1: $(cat "$work/man.err")"
  grep -q "$page" "$work/man.out" || fail "$page.1 does not name the program"
done

# The programs, started from the installation. The profile creator makes
# the sample profile: the marker images come from the installation.
status=0
"$bin/pbuild_odbc" --dsn K7QInstalled --user k7q --password '' --folder "$XDG_DATA_HOME/k7q" \
  >/dev/null 2>"$work/pbuild.err" || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || { cat "$work/pbuild.err" >&2; fail "pbuild_odbc ended with $status"; }
profile=$XDG_DATA_HOME/k7q/k7q_pro_K7QInstalled/K7QInstalled.k7q_pro
cmp -s "$(dirname "$profile")/k7q_loop_start.gif" "$share/tovra/k7q_loop_start.gif" \
  || fail "the profile did not get the installation's marker images"
macro=$(dirname "$profile")/shop.k7q
"$bin/k7q" build --profile "$profile" --input "$share/tovra/samples/shop_input.htm" \
  --report "$share/tovra/samples/shop_report.htm" -o "$macro" >/dev/null || fail "k7q build failed"
"$bin/k7q" check "$macro" --profile "$profile" >"$work/check.out" || fail "k7q check found $(cat "$work/check.out")"

shots=$work/shots
# The builder opens the macro from the desktop (the macro alone: its profile is beside it).
"$bin/K7QBld" "$macro" --screenshots "$shots" en 2>>"$work/programs.err" || fail "K7QBld did not start"
[ -s "$shots/K7QBld-main-en.png" ] || fail "K7QBld showed no window"
printf '%%DEFINE{\r\n%%}\r\n' >"$work/edit.k7q"
"$bin/K7QBldEditor" --screenshots "$shots" en "$work/edit.k7q" 2>>"$work/programs.err" || fail "K7QBldEditor did not start"
"$bin/plaunch" --screenshots "$shots" en 2>>"$work/programs.err" || fail "plaunch did not start"
"$bin/pbuild_vq5" --screenshots "$shots" en >/dev/null 2>>"$work/programs.err" || fail "pbuild_vq5 did not start"
for shot in K7QBldEditor-en plaunch-en pbuild-before-en pbuild-after-en; do
  [ -s "$shots/$shot.png" ] || fail "no window $shot: $(ls "$shots")"
done
echo "install_test: $mode: every program started from the installation"
