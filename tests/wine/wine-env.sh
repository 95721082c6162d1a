#!/usr/bin/env bash
# A Wine environment of its own for the end-to-end tests: an X display
# (Xvfb), a Wine prefix made by hand, and the variables that point at them.
#
#   wine-env.sh start DIR   makes DIR/prefix, starts Xvfb, writes DIR/env
#   wine-env.sh stop DIR    ends the prefix's processes and the X server
#   source DIR/env          sets WINEPREFIX, DISPLAY, TMPDIR, WINE (the loader)
#
# The prefix is 64-bit with the 32-bit system beside it. It is not made by
# wineboot: the system folders get hard links to Wine's own DLLs and
# programs, which Wine loads as built-in, and the update at first start is
# switched off. That takes a second where wineboot takes minutes, and far
# longer where 32-bit programs run emulated.
set -euo pipefail

cmd=${1:?start or stop}
dir=$(realpath -m "${2:?directory}")

wine_libs() {  # the folder of Wine's PE files for an architecture: the fullest
  local arch=$1 best="" most=0 n d
  for d in /usr/lib/*/wine/"$arch"-windows /usr/lib/wine/"$arch"-windows; do
    [ -d "$d" ] || continue
    n=$(find "$d" -maxdepth 1 -type f | wc -l)
    if [ "$n" -gt "$most" ]; then best=$d; most=$n; fi
  done
  [ -n "$best" ] || { echo "wine-env: no $arch Wine DLLs" >&2; exit 1; }
  echo "$best"
}

link_dir() {  # hard links where the file system allows, copies elsewhere
  local from=$1 to=$2
  mkdir -p "$to"
  cp -al "$from"/. "$to"/ 2>/dev/null || cp -a "$from"/. "$to"/
}

stop_env() {
  if [ -f "$dir/env" ]; then
    # shellcheck disable=SC1091
    source "$dir/env"
    timeout 30 wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -f "$dir/keeper.pid" ]; then
    kill "$(cat "$dir/keeper.pid")" 2>/dev/null || true
    rm -f "$dir/keeper.pid"
  fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
}

case "$cmd" in
start)
  stop_env  # whatever an earlier start left in DIR
  rm -rf "$dir"
  mkdir -p "$dir/tmp" "$dir/prefix/drive_c/windows"
  prefix=$dir/prefix
  echo disable > "$prefix/.update-timestamp"
  link_dir "$(wine_libs x86_64)" "$prefix/drive_c/windows/system32"
  link_dir "$(wine_libs i386)" "$prefix/drive_c/windows/syswow64"

  # Xvfb picks a free display and writes its number to fd 3.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  echo $! > "$dir/xvfb.pid"
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || { echo "wine-env: Xvfb did not start" >&2; exit 1; }

  wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
  cat > "$dir/env" <<ENV
export WINEPREFIX='$prefix'
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
export DISPLAY=':$(cat "$dir/display")'
export TMPDIR='$dir/tmp'
export WINE='$wine'
ENV
  # shellcheck disable=SC1091
  source "$dir/env"
  # No window manager on Xvfb: without this, Wine waits 2 s each time a
  # managed window hides. A crash ends the process instead of asking.
  timeout 120 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  timeout 120 "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
    /d 0 /f >/dev/null 2>&1
  # A 64-bit GUI program that lives as long as the environment. It starts
  # Wine's desktop process natively and keeps it, and the server, running
  # between tests. Were a 32-bit program the first to need the desktop where
  # 32-bit programs run emulated, the desktop would run emulated too, and
  # every window in the environment would wait on it.
  "$WINE" notepad.exe >/dev/null 2>&1 &
  echo $! > "$dir/keeper.pid"
  timeout 120 "$WINE" rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 || true
  echo "wine-env: prefix $prefix, display $DISPLAY"
  ;;
stop)
  stop_env
  ;;
*)
  echo "usage: wine-env.sh start|stop DIR" >&2
  exit 2
  ;;
esac
