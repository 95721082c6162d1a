#!/usr/bin/env bash
# Runs the command-line fuzz target from the seed corpus in the repo.
#   run.sh <fuzzer> <work dir> [libFuzzer flags...]
# Inputs that find new coverage go to <work dir>/corpus (started afresh, so
# the seed corpus in the repo stays as it is); a failing input is saved in
# <work dir> as crash-*. Exits non-zero when a property fails.
set -euo pipefail
fuzzer=$1
work=$2
shift 2
seeds="$(cd "$(dirname "$0")" && pwd)/corpus/command_line_tail"

rm -rf "$work/corpus"
mkdir -p "$work/corpus"
exec "$fuzzer" -artifact_prefix="$work/" -print_final_stats=1 "$@" "$work/corpus" "$seeds"
