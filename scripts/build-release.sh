#!/usr/bin/env bash
# Installs what is missing and builds build/release: qm2.exe for 32-bit and
# for 64-bit Windows and the Windows programs the demo and the benchmark use.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -DQM2_SANITIZE=OFF -DQM2_FUZZ=OFF -DQM2_ANALYSE=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" > "$build.log" 2>&1 || { cat "$build.log"; exit 1; }
echo "built: $(pwd)/$build/windows/qm2.exe"
