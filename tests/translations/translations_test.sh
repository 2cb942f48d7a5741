#!/usr/bin/env bash
# Every operator-visible text has its English: lupdate over the sources finds
# nothing the catalogue lacks (and nothing it keeps for a text that is gone),
# and lrelease compiles each catalogue with 0 unfinished.
# Usage: translations_test.sh LUPDATE LRELEASE SOURCE_LIST CATALOGUE... -- LUPDATE_OPTIONS...
set -uo pipefail
lupdate=$1 lrelease=$2 sources=$3
shift 3
catalogues=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do catalogues+=("$1"); shift; done
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in "${catalogues[@]}"; do
  name=$(basename "$ts")
  cp "$ts" "$work/$name"
  if ! "$lupdate" -silent "$@" "@$sources" -ts "$work/$name" >"$work/lupdate.log" 2>&1; then
    cat "$work/lupdate.log"
    echo "FAIL $name: lupdate failed"
    status=1
    continue
  fi
  if ! cmp -s "$ts" "$work/$name"; then
    echo "FAIL $name: the sources' texts differ from the catalogue (run ninja update_translations):"
    diff -u "$ts" "$work/$name" | grep '^[-+] *<source>' | head -40
    status=1
  fi
  report=$("$lrelease" "$work/$name" -qm "$work/${name%.ts}.qm" 2>&1)
  echo "$report"
  if ! grep -q ' 0 unfinished' <<<"$report" || grep -q 'untranslated' <<<"$report"; then
    echo "FAIL $name: texts without a translation:"
    grep -B1 'type="unfinished"' "$work/$name" | grep '<source>' | head -40
    status=1
  fi
done
exit $status
