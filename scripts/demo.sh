#!/usr/bin/env bash
# The main job: installs what is missing, builds qm2.exe, and runs it under
# Wine with the fake game as its game. Arguments go to scripts/demo.py.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-release.sh
exec /usr/bin/python3 scripts/demo.py --build build/release "$@"
