#!/usr/bin/env bash
# Builds the launcher and prints the benchmark table. Arguments go to bench.py.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-release.sh
exec /usr/bin/python3 bench/bench.py --build build/release "$@"
