#!/usr/bin/env bash
# Checks that the committed icon (resources/qm2.ico) and its picture in the
# README (docs/icon.png) are what resources/make_icon.py draws today.
#   check_icon_files.sh <source dir>
set -euo pipefail
src=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
/usr/bin/python3 "$src/resources/make_icon.py" "$out/qm2.ico" "$out/icon.png"
status=0
for pair in "resources/qm2.ico:qm2.ico" "docs/icon.png:icon.png"; do
  committed=${pair%%:*}
  if cmp -s "$src/$committed" "$out/${pair##*:}"; then
    echo "ok: $committed matches make_icon.py"
  else
    echo "FAIL: $committed differs from what make_icon.py draws; run" \
         "resources/make_icon.py resources/qm2.ico docs/icon.png" >&2
    status=1
  fi
done
exit $status
