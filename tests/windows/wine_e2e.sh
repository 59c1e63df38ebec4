#!/usr/bin/env bash
# End-to-end runs of the Windows programs under Wine on a private Xvfb.
#
#   wine_e2e.sh PREFIX backend TEST.exe
#   wine_e2e.sh PREFIX demo PROGRAM.exe WIDTH HEIGHT [FAKE_DDRAW_DLL]
#   wine_e2e.sh PREFIX close PROGRAM.exe WIDTH HEIGHT
#   wine_e2e.sh PREFIX fallback PROGRAM320.exe PROGRAM640.exe DDRAW_DOUBLE_DLL
#   wine_e2e.sh PREFIX app-folder-ddraw PROGRAM.exe FAKE_DDRAW_DLL
#
# Each run starts its own X server on a free display number and restarts the
# prefix's wine server so that Wine's virtual desktop opens on it. Waits are
# for conditions, with generous limits, never fixed sleeps alone.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
. "$repo/scripts/wine-env.sh"

prefix=$1
case_name=$2
shift 2
# The build's Wine (OMBRITH_WINE_ARCH); 77 (skipped) where it cannot run.
wine_env_prepare "$prefix" || exit $?
wine=$(wine_env_loader)

title="Ombrith by Talvane"
work=$(mktemp -d "${TMPDIR:-/tmp}/ombrith-wine-e2e.XXXXXX")
xvfb_pid=""
program_pid=""

cleanup() {
  local status=$?
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
    kill "$program_pid" 2>/dev/null || true
  fi
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  # OMBRITH_E2E_KEEP=DIR keeps the screenshots for a person to look at.
  if [ -n "${OMBRITH_E2E_KEEP:-}" ]; then
    mkdir -p "$OMBRITH_E2E_KEEP"
    cp "$work"/*.png "$OMBRITH_E2E_KEEP/" 2>/dev/null || true
  fi
  rm -rf "$work"
  exit $status
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# wait_until SECONDS COMMAND...: polls every 0.2 s.
wait_until() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# start_xvfb [WIDTHxHEIGHT]: the screen holds the largest virtual desktop.
start_xvfb() {
  local n size=${1:-1024x768}
  for n in $(seq 70 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    if wait_until 30 xdotool getdisplaygeometry; then
      return 0
    fi
    # Lost a race for this number, or the server did not come up.
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  fail "no X server could be started"
}

program_exited() { ! kill -0 "$program_pid" 2>/dev/null; }

# wait_for_exit SECONDS: the program's exit status in $exit_status.
wait_for_exit() {
  wait_until "$1" program_exited || fail "the program did not end within $1 s"
  exit_status=0
  wait "$program_pid" || exit_status=$?
  program_pid=""
}

window_mapped() { xdotool search --onlyvisible --name "^$title\$"; }

# Screenshot of the virtual desktop's top-left WIDTH x HEIGHT.
shoot() { import -window root -crop "${width}x${height}+0+0" +repage "$1"; }

# Waits until the screen shows the effect, and leaves the shot in $1.
wait_for_effect() {
  local deadline=$((SECONDS + 60))
  while :; do
    shoot "$1"
    if python3 "$here/colour_oracle.py" "$width" "$height" "$1" >"$work/oracle.log" 2>&1; then
      return 0
    fi
    [ $SECONDS -lt $deadline ] || { cat "$work/oracle.log" >&2; fail "the screen never showed the effect"; }
    program_exited && fail "the program ended before showing the effect"
    sleep 0.5
  done
}

# Starts PROGRAM with the virtual desktop at the given size, waits for its
# window and for the effect on the screen (checked against the colour
# mapping twice, the lenses moving in between).
start_demo() {
  local program=$1
  start_xvfb
  wine_env_desktop "$prefix" "${width}x${height}"
  "$wine" "$program" >"$work/program.log" 2>&1 &
  program_pid=$!
  if ! wait_until 90 window_mapped; then
    # What is needed to tell a hung start from one that ended or drew elsewhere.
    program_exited && echo "the program has ended" >&2
    { echo "--- its output:"; cat "$work/program.log"
      echo "--- the X server's windows:"; xwininfo -root -tree; } >&2 2>&1 || true
    fail "no window titled '$title' appeared"
  fi
  wait_for_effect "$work/first.png"
  local deadline=$((SECONDS + 30))
  until shoot "$work/second.png" &&
        python3 "$here/colour_oracle.py" "$width" "$height" "$work/second.png" "$work/first.png"; do
    [ $SECONDS -lt $deadline ] || fail "the lenses did not move"
    sleep 0.5
  done
  # Keys go to the window under the pointer (there is no window manager).
  xdotool mousemove 5 5
}

case "$case_name" in
  backend)
    start_xvfb
    wine_env_desktop "$prefix" 640x480
    "$wine" "$1"
    ;;

  demo)
    program=$1 width=$2 height=$3 fake=${4:-}
    if [ -n "$fake" ]; then
      # A "ddraw.dll" in the current directory must never be loaded, even
      # when Wine is told to prefer DLLs found on disk: it would end the
      # program with status 42.
      cp "$fake" "$work/ddraw.dll"
      cd "$work"
      export WINEDLLOVERRIDES="ddraw=n,b"
    fi
    start_demo "$program"
    xdotool key a
    xdotool key shift+b
    xdotool key Up
    program_exited && fail "ordinary keys ended the program"
    xdotool key Escape
    wait_for_exit 30
    [ "$exit_status" -eq 0 ] || fail "Escape ended the program with status $exit_status, not 0"
    ;;

  close)
    program=$1 width=$2 height=$3
    start_demo "$program"
    xdotool key alt+F4
    wait_for_exit 30
    [ "$exit_status" -eq 0 ] || fail "closing the window ended the program with status $exit_status, not 0"
    ;;

  fallback)
    # Where DirectDraw refuses the mode (as today's drivers refuse 320x240)
    # or is missing, the frame fills a window over the desktop instead:
    # scaled by the largest whole factor, centred, black around it, at most
    # 60 frames a second; where it gives the mode, the display is taken as
    # before. The double beside a copy of the program refuses the modes and
    # notes every frame shown (ddraw_double.c).
    program320=$1 program640=$2 double=$3
    mkdir "$work/app"
    cp "$program320" "$program640" "$work/app/"
    cp "$double" "$work/app/ddraw.dll"
    start_xvfb 1920x1080
    # fallback_run PROGRAM WIDTH HEIGHT DESKTOP REFUSE|off SCALE|0 LEFT TOP END count|-
    # (REFUSE: the modes the double refuses, off: no DirectDraw; SCALE 0:
    # the display's own mode is expected.)
    fallback_run() {
      local name=$1 desktop=$4 refuse=$5 scale=$6 left=$7 top=$8 end=$9 count=${10}
      width=$2 height=$3
      echo "== $name on ${desktop}, DirectDraw refusing: $refuse (at ${SECONDS} s)"
      # The desktop's size is set (restarting the wine server) only when it
      # changes.
      if [ "$desktop" != "${desktop_set:-}" ]; then
        wine_env_desktop "$prefix" "$desktop"
        desktop_set=$desktop
      fi
      rm -f "$work/presents.log"
      if [ "$refuse" = off ]; then
        export WINEDLLOVERRIDES="ddraw=d"
      else
        export WINEDLLOVERRIDES="ddraw=n,b" OMBRITH_DDRAW_REFUSE=$refuse
        export OMBRITH_PRESENT_LOG="Z:$work/presents.log"
      fi
      wine_env_use "$prefix"
      "$wine" "$work/app/$name.exe" >"$work/program.log" 2>&1 &
      program_pid=$!
      wait_until 90 window_mapped || fail "$name: no window titled '$title' appeared"
      local shot=$work/$name-$desktop-$refuse.png deadline=$((SECONDS + 60))
      xdotool mousemove 5 5
      if [ "$scale" = 0 ]; then
        wait_for_effect "$shot"  # the display's own mode, as before
      else
        until import -window root -crop "${desktop}+0+0" +repage "$shot" &&
              python3 "$here/colour_oracle.py" --placed "$scale" "$left" "$top" \
                "$width" "$height" "$shot" >"$work/oracle.log" 2>&1; do
          program_exited && fail "$name: ended before showing the frame"
          [ $SECONDS -lt $deadline ] || { cat "$work/oracle.log" >&2; fail "$name: frame not shown"; }
          sleep 0.5
        done
      fi
      cat "$work/oracle.log" 2>/dev/null || true
      if [ "$count" = count ]; then
        # Five seconds of frames, counted by the double from outside.
        sleep 6
        python3 "$here/colour_oracle.py" --rate "$work/presents.log" ||
          fail "$name: more than 60 frames a second"
      fi
      program_exited && fail "$name: ended by itself"
      xdotool key "$end"
      wait_for_exit 30
      [ "$exit_status" -eq 0 ] || fail "$name: $end ended it with status $exit_status, not 0"
      unset OMBRITH_DDRAW_REFUSE OMBRITH_PRESENT_LOG
    }
    fallback_run ombrith320 320 240 1920x1080 320x240 4 320 60 Escape count
    fallback_run ombrith640 640 480 1920x1080 off 2 320 60 Escape -
    fallback_run ombrith320 320 240 1366x768 all 3 203 24 alt+F4 -
    fallback_run ombrith640 640 480 1366x768 all 1 363 144 alt+F4 -
    # The mode given: the display is taken exclusively, flips paced too.
    fallback_run ombrith640 640 480 1366x768 320x240 0 0 0 Escape count
    echo "all runs done at ${SECONDS} s"
    ;;

  app-folder-ddraw)
    program=$1 fake=$2
    # A DirectDraw replacement beside the program is used.
    mkdir "$work/app"
    cp "$program" "$fake" "$work/app/"
    [ "$(basename "$fake")" = ddraw.dll ] || mv "$work/app/$(basename "$fake")" "$work/app/ddraw.dll"
    start_xvfb
    wine_env_desktop "$prefix" 640x480
    export WINEDLLOVERRIDES="ddraw=n,b"
    "$wine" "$work/app/$(basename "$program")" >"$work/program.log" 2>&1 &
    program_pid=$!
    wait_for_exit 60
    [ "$exit_status" -eq 42 ] || fail "the replacement beside the program was not used (status $exit_status)"
    ;;

  *)
    echo "unknown case: $case_name" >&2
    exit 2
    ;;
esac
