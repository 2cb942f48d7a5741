# The Debian package's checks, sourced by scripts/test (bash).
#
# check_package BUILD_DIR: builds the package from the build folder
# (scripts/package), runs lintian on it (no errors, no warnings), installs it
# with apt-get as a plant's IT would, runs the installed programs, validates the
# desktop entry and the metainfo, renders every manual page, removes the
# package with dpkg -r and checks that none of its files is left. It installs
# for real: a velkaro package already on the machine is replaced and removed
# too. Runs of several work trees on one machine take turns.

_velkaro_pkg_fail() {
  echo "package: $*" >&2
  return 1
}

check_package() {
  (
    flock -w 1200 9 || _velkaro_pkg_fail "another package check holds the lock" || exit 1
    _velkaro_check_package "$@"
  ) 9>/tmp/velkaro-package-check.lock
}

_velkaro_check_package() {
  local build=$1 root started=$SECONDS sudo=""
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if dpkg-query -W -f '${Status}' velkaro 2>/dev/null | grep -q ' installed$'; then
    echo "package: replacing the velkaro package installed here; it is removed at the end" >&2
  fi

  local deb version
  deb=$("$root/scripts/package" "$build") || return 1
  version=$(dpkg-deb -f "$deb" Version)
  local -a files
  mapfile -t files < <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }')
  echo "package: $(basename "$deb"), ${#files[@]} files" >&2

  lintian --fail-on error,warning --tag-display-limit 0 "$deb" >&2 ||
    _velkaro_pkg_fail "lintian found errors or warnings without an override" || return 1

  local folder name
  folder=$(dirname "$deb")
  name=$(basename "$deb")
  (cd "$folder" && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q \
    -o DPkg::Lock::Timeout=300 "./$name" >"$folder/apt.log" 2>&1) || {
    cat "$folder/apt.log" >&2
    _velkaro_pkg_fail "apt-get could not install $name"
    return 1
  }
  local status=0
  _velkaro_check_installed "$version" "${files[@]}" || status=1
  $sudo dpkg -r velkaro >/dev/null || _velkaro_pkg_fail "dpkg -r velkaro failed" || status=1
  local file
  for file in "${files[@]}" /usr/share/doc/velkaro; do
    if [ -e "$file" ] || [ -L "$file" ]; then
      _velkaro_pkg_fail "$file is left after dpkg -r" || status=1
    fi
  done
  [ "$status" = 0 ] || return 1
  echo "package: built, linted, installed, checked and removed in $((SECONDS - started)) s" >&2
}

# The installed programs answer from /usr/bin, the desktop entry and the
# metainfo validate and every manual page renders without a warning.
# Arguments: the version, then the package's files.
_velkaro_check_installed() {
  local version=$1 said file warnings
  shift
  /usr/bin/velkaro-bus --help >/dev/null || _velkaro_pkg_fail "velkaro-bus --help failed" ||
    return 1
  said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/velkaro --version) ||
    _velkaro_pkg_fail "velkaro --version failed" || return 1
  [ "$said" = "velkaro $version" ] || _velkaro_pkg_fail "velkaro --version said '$said'" ||
    return 1
  for file in "$@"; do
    case "$file" in
    /usr/share/applications/*.desktop)
      desktop-file-validate "$file" || _velkaro_pkg_fail "$file does not validate" || return 1
      ;;
    /usr/share/metainfo/*.xml)
      appstreamcli validate --no-net "$file" >&2 ||
        _velkaro_pkg_fail "$file does not validate" || return 1
      ;;
    /usr/share/man/man1/*)
      warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null) &&
        [ -z "$warnings" ] || _velkaro_pkg_fail "man -l $file: $warnings" || return 1
      ;;
    esac
  done
}
