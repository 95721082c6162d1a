#!/usr/bin/env bash
# The main job: installs what is missing and builds qm2.exe.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -DQM2_SANITIZE=OFF -DQM2_FUZZ=OFF -DQM2_ANALYSE=OFF > /dev/null
cmake --build "$build" -j "$(nproc)"
echo "qm2.exe: $(pwd)/$build/windows/qm2.exe"
