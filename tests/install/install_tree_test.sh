#!/usr/bin/env bash
# The install tree holds exactly the programs, their manual pages, the desktop
# files and the package documents under the prefix (no test programs, headers
# or libraries); every program tells the version without a display; the
# installed station starts offscreen against simulated drives, runs its tour
# of panels and dialogs and ends by itself.
# Usage: install_tree_test.sh BUILD_DIR VERSION APP_ID WITH_QT PROGRAM...
set -euo pipefail
build=$1 version=$2 id=$3 qt=$4
shift 4
work=$(mktemp -d)
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
  wait
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "install tree: $*" >&2
  exit 1
}

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
expected=(usr/share/doc/velkaro/copyright usr/share/doc/velkaro/changelog.gz
  usr/share/doc/velkaro/examples/line.conf "lib/systemd/system/velkaro-log@.service")
for program in "$@"; do
  expected+=("usr/bin/$program" "usr/share/man/man1/$program.1.gz")
done
icons=usr/share/icons/hicolor
if [ "$qt" = ON ]; then
  expected+=("usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml"
    "$icons/scalable/apps/velkaro.svg" "$icons/48x48/apps/velkaro.png"
    "$icons/256x256/apps/velkaro.png")
fi
diff -u <(printf '%s\n' "${expected[@]}" | sort) \
  <(cd "$work/root" && find . ! -type d | sed 's|^\./||' | sort) ||
  fail "files differ from the expected list (- missing, + unexpected)"

for program in "$@"; do
  said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/$program" --version)
  [ "$said" = "$program $version" ] || fail "$program --version said '$said'"
done
[ "$qt" = ON ] || exit 0

for size in 48 256; do
  # A PNG header holds width and height as 32-bit big-endian numbers at byte 16.
  read -r -a header < <(od -An -tu1 -j16 -N8 "$work/root/$icons/${size}x$size/apps/velkaro.png")
  [ "$((header[2] * 256 + header[3]))x$((header[6] * 256 + header[7]))" = "${size}x$size" ] ||
    fail "the $size pixel icon is ${header[*]}"
done

"$work/root/usr/bin/velkaro-sim" --no-console --pty "$work/com1" --drive 1:QD10:75 \
  --drive 2:QD20:6 --drive 3:QD30:750 --drive 4:QD40:1100 >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
  [ -e "$work/com1" ] && break
  sleep 0.1
done
[ -e "$work/com1" ] || fail "velkaro-sim did not come up: $(cat "$work/sim.log")"

# A first start on a fresh account: its own data source file and data folder.
mkdir -m 700 "$work/runtime"
status=0
ODBCINI="$work/odbc.ini" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime" \
  QT_QPA_PLATFORM=offscreen VELKARO_COM1="$work/com1" VELKARO_SCREENSHOTS="$work/tour" \
  timeout 180 "$work/root/usr/bin/velkaro" || status=$?
[ "$status" = 0 ] || fail "the installed station ended with status $status"
[ -s "$work/tour/about-dialog.png" ] || fail "the station ended before its tour had finished"
echo "install tree: ${#expected[@]} files, $# programs, the station started and ended"
