#!/usr/bin/env bash
# Checks of the installation, run by CTest:
#   install_checks.sh tree BUILD PREFIX           install BUILD into PREFIX and make it read-only
#   install_checks.sh files PREFIX APP_ID VERSION the installed files, validated; --help, --version
#   install_checks.sh start PREFIX                the installed program starts with a fresh home
#   install_checks.sh package BUILD APP_ID OUT    the Debian package, made into OUT, and what it holds
#   install_checks.sh lintian OUT                 lintian on that package: no error, no warning
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The files an installation must hold, relative to its prefix.
installed_files() {
  local id=$1
  echo bin/quillet
  echo bin/quillet-remote-sim
  for f in IMG0-31.jpg IMG128-150.jpg IMG2350-52.jpg NONE.jpg NO.ICO START.jpg "program icon.ico" HELP.HLP; do
    echo "share/quillet/$f"
  done
  echo share/quillet/schema/quillet-memory.schema.json
  for page in quillet quillet-cli quillet-remote-sim; do
    echo "share/man/man1/$page.1.gz"
  done
  echo share/doc/quillet/copyright
  echo share/doc/quillet/changelog.gz
  echo "share/applications/$id.desktop"
  echo "share/metainfo/$id.metainfo.xml"
  for s in 16 22 24 32 48 64 128 256; do
    echo "share/icons/hicolor/${s}x${s}/apps/$id.png"
  done
}

# Width and height of a PNG, from its header.
png_size() {
  local w h
  read -r w h < <(od -An -tu1 -j16 -N8 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  echo "${w}x${h}"
}

case "$1" in
tree)
  build=$2 prefix=$3
  [ -d "$prefix" ] && chmod -R u+w "$prefix" && rm -rf "$prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  chmod -R a-w "$prefix"
  ;;

files)
  prefix=$2 id=$3 version=$4
  while IFS= read -r f; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
  done < <(installed_files "$id")
  for s in 16 22 24 32 48 64 128 256; do
    got=$(png_size "$prefix/share/icons/hicolor/${s}x${s}/apps/$id.png")
    [ "$got" = "${s}x${s}" ] || fail "the ${s}x${s} icon is $got"
  done
  grep -qx "Exec=quillet %f" "$prefix/share/applications/$id.desktop" || fail "the desktop entry does not pass the file"
  grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "the desktop entry names another icon"
  desktop-file-validate "$prefix/share/applications/$id.desktop"
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
  # Text answers need no display.
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quillet" --version)
  [ "$out" = "Quillet $version" ] || fail "--version printed: $out"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quillet" --help | grep -q FILE ||
    fail "--help does not name the FILE argument"
  ;;

start)
  prefix=$2
  home=$(mktemp -d) pid=
  trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT
  chmod 755 "$home"
  # Root may write anywhere; as an ordinary user the read-only prefix really is read-only.
  run=()
  if [ "$(id -u)" -eq 0 ] && setpriv --reuid=nobody --regid=nogroup --clear-groups test -x "$prefix/bin/quillet" 2>/dev/null; then
    chown nobody:nogroup "$home"
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    "${run[@]}" "$prefix/bin/quillet" &
  pid=$!
  data=$home/.local/share/Quillet
  for _ in $(seq 100); do
    [ -f "$data/setup.inf" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the installed program ended at start"
    sleep 0.2
  done
  [ -d "$data/DATA" ] && [ -d "$data/MODEL" ] && [ -f "$data/setup.inf" ] ||
    fail "DATA, MODEL and setup.inf are not in $data"
  grep -q "Com Port: 1" "$data/setup.inf" || fail "setup.inf holds: $(cat "$data/setup.inf")"
  [ ! -e "$prefix/bin/DATA" ] || fail "the program wrote into its installation"
  ;;

package)
  build=$2 id=$3 out=$4
  rm -rf "$out"
  mkdir -p "$out"
  # A strict umask, as some packagers have: the package's folders must not take it.
  (umask 077 && cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || {
    cat "$out/cpack.log"
    fail "cpack -G DEB failed"
  }
  debs=("$out"/*.deb)
  [ -f "${debs[0]}" ] || fail "no .deb made"
  listing=$(dpkg-deb -c "${debs[0]}")
  while IFS= read -r f; do
    grep -qF "./usr/$f" <<<"$listing" || fail "the package lacks /usr/$f"
  done < <(installed_files "$id")
  modes=$(awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" {print $1, $6}' <<<"$listing")
  [ -z "$modes" ] || fail "folders not rwxr-xr-x: $modes"
  depends=$(dpkg-deb -f "${debs[0]}" Depends)
  # Found from the linked libraries, not written by hand.
  for lib in libqt6widgets6 libqt6serialport6 libc6; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
  done
  ;;

lintian)
  out=$2
  if ! command -v lintian >/dev/null; then
    echo "SKIP: lintian is not installed (scripts/deps.sh installs it)"
    exit 77
  fi
  debs=("$out"/*.deb)
  [ -f "${debs[0]}" ] || fail "no package in $out"
  lintian --fail-on error,warning "${debs[0]}" || fail "lintian reports the package"
  ;;

*)
  fail "unknown check $1"
  ;;
esac
echo "ok: $1"
