#!/usr/bin/env bash
# The main job: installs what is missing, builds qm2.exe, and runs it under
# Wine with the fake game as its game. Extra arguments go to scripts/demo.py.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -DQM2_SANITIZE=OFF -DQM2_FUZZ=OFF -DQM2_ANALYSE=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" > "$build.log" 2>&1 || { cat "$build.log"; exit 1; }
echo "built: $(pwd)/$build/windows/qm2.exe"
exec /usr/bin/python3 scripts/demo.py --build "$build" "$@"
