#!/usr/bin/env bash
# Builds the launcher and prints the benchmark table. Arguments go to bench.py.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -DQM2_SANITIZE=OFF -DQM2_FUZZ=OFF -DQM2_ANALYSE=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" > "$build.log" 2>&1 || { cat "$build.log"; exit 1; }
exec /usr/bin/python3 bench/bench.py --build "$build" "$@"
