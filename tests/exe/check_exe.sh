#!/usr/bin/env bash
# Checks the built qm2.exe as a file: a 32-bit GUI executable for i386 that
# imports only from KERNEL32 and USER32, and that a second build from the
# same sources reproduces byte for byte.
#   check_exe.sh <qm2.exe> <source dir>
set -euo pipefail
exe=$1
src=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -q "file format pei-i386" <<<"$headers" || fail "not a PE32 image for i386"
grep -qE "^Magic\s+010b\s+\(PE32\)" <<<"$headers" || fail "not PE32"
grep -qE "^Subsystem\s+00000002\s+\(Windows GUI\)" <<<"$headers" || fail "not the GUI subsystem"
dlls=$(grep -E "^\s*DLL Name:" <<<"$headers" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$dlls" = "KERNEL32.dll USER32.dll " ] || fail "imports from: $dlls"
echo "PE32 i386 GUI, imports: $dlls"

# A second build in a fresh folder, elsewhere, must give the same bytes.
second=$(mktemp -d)
trap 'rm -rf "$second"' EXIT
cmake -S "$src" -B "$second" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$second" --target qm2 > /dev/null
cmp "$exe" "$second/qm2.exe" || fail "a second build differs"
echo "reproducible: $(stat -c %s "$exe") bytes, identical in a second build"
