#!/usr/bin/env bash
# Runs a Windows program under Wine and exits with its status:
#   run.sh PROGRAM.exe [ARGS...]
# In the environment that QM2_WINE_ENV names (a folder made by wine-env.sh
# start), or else in a new one made for this run and removed after it.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
env_dir=${QM2_WINE_ENV:-}

if [ -z "$env_dir" ]; then
  env_dir=$(mktemp -d)

  bash "$here/wine-env.sh" start "$env_dir" >/dev/null
  trap 'bash "$here/wine-env.sh" stop "$env_dir"; rm -rf "$env_dir"' EXIT
fi
# shellcheck disable=SC1091
source "$env_dir/env"
status=0
timeout "${QM2_WINE_TIMEOUT:-900}" "$WINE" "$@" || status=$?
exit "$status"
