#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the host tests (with the
# address and undefined-behaviour sanitizers) and the Windows executable,
# then runs them all through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=build/test
cmake -S . -B "$build" -DQM2_SANITIZE=ON > /dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
