# Wine environment for running the Windows builds: a private prefix, created
# once without a terminal or prompts, and the virtual desktop that display
# modes need. Sourced by the scripts that run Windows programs.
#
# OMBRITH_WINE_ARCH chooses the build: win32 (the default; 32-bit Wine) or
# win64 (64-bit Wine, which starts also where the kernel refuses 32-bit
# programs). Where 32-bit programs cannot run, everything that needs 32-bit
# Wine ends with status 77 (skipped) and says why.
#
#   wine_env_use PREFIX            export the variables for PREFIX
#   wine_env_prepare PREFIX        create PREFIX on first use (serialised);
#                                  77 where 32-bit Wine cannot run
#   wine_env_desktop PREFIX WxH    set the virtual desktop and restart the
#                                  wine server so the next program uses it
#   wine_env_stop PREFIX           stop the prefix's wine server and wait
#   wine_env_wine ARGS...          run Wine's loader for the build
#   wine_env_check_32              0 where 32-bit Wine runs; otherwise 1 and
#                                  the reason on standard output

wine_env_loader() {
  if [ "${OMBRITH_WINE_ARCH:-win32}" = win64 ]; then
    # The 64-bit loader itself, never the wrapper, which prefers the 32-bit
    # one whenever it is installed.
    echo "${OMBRITH_WINE64:-/usr/lib/wine/wine64}"
  else
    echo wine
  fi
}

wine_env_wine() {
  "$(wine_env_loader)" "$@"
}

wine_env_use() {
  export WINEPREFIX=$1
  export WINEARCH=${OMBRITH_WINE_ARCH:-win32}
  if [ "$WINEARCH" = win64 ]; then
    export WINELOADER=${OMBRITH_WINE64:-/usr/lib/wine/wine64}
  fi
  export WINEDEBUG=${WINEDEBUG:--all}
  # Never offer to install Mono or Gecko: nothing here needs them.
  case ";${WINEDLLOVERRIDES:-};" in
    *";mscoree,mshtml=;"*) ;;
    *) export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" ;;
  esac
}

# Whether this machine runs 32-bit x86 programs under Wine: Wine's 32-bit
# loader must start. OMBRITH_NO_WINE32=1 forces the answer "no", so the skip
# path can be tried on any machine. OMBRITH_WINE32_STATUS names a file that
# holds the answer of this test run (written by the first check of the run,
# see scripts/wine32-check.sh); without it the check is made here.
wine_env_check_32() {
  local status_file=${OMBRITH_WINE32_STATUS:-}
  if [ -n "$status_file" ] && [ -f "$status_file" ]; then
    local answer
    answer=$(cat "$status_file")
    [ "$answer" = yes ] && return 0
    echo "${answer#no: }"
    return 1
  fi
  wine_env_probe_32
}

wine_env_probe_32() {
  local loader=${OMBRITH_WINE32:-/usr/lib/wine/wine} output
  if [ -n "${OMBRITH_NO_WINE32:-}" ] && [ "$OMBRITH_NO_WINE32" != 0 ]; then
    echo "OMBRITH_NO_WINE32 is set: treating this machine as one that cannot run 32-bit programs"
    return 1
  fi
  if [ ! -e "$loader" ]; then
    echo "32-bit Wine is not installed ($loader is missing; package wine32:i386)"
    return 1
  fi
  if ! output=$("$loader" --version 2>&1 </dev/null); then
    # The shell's own words name the loader again: keep only the reason.
    output=$(printf '%s' "$output" | head -n 1 | sed -e 's/^.*: line [0-9]*: //' -e "s|^$loader: ||")
    echo "this machine does not run 32-bit x86 programs: '$loader --version' fails (${output:-no output})"
    return 1
  fi
  return 0
}

wine_env_prepare() {
  local prefix=$1 reason
  wine_env_use "$prefix"
  if [ "$WINEARCH" = win32 ] && ! reason=$(wine_env_check_32); then
    echo "skipped: $reason" >&2
    return 77
  fi
  [ -f "$prefix/.ombrith-ready" ] && return 0
  if ! command -v "$(wine_env_loader)" >/dev/null; then
    echo "wine-env: $(wine_env_loader) is not installed" >&2
    return 1
  fi
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/.ombrith-ready" ]; then
      rm -rf "$prefix"
      # No display is needed to create the prefix; without one Wine shows
      # no dialog either. Wineboot's own words are kept for when it fails.
      local log
      log=$(mktemp "${TMPDIR:-/tmp}/ombrith-wineboot.XXXXXX")
      if ! env -u DISPLAY WINEDEBUG=err+all "$(wine_env_loader)" wineboot -i </dev/null >"$log" 2>&1; then
        echo "wine-env: wineboot failed for $prefix ($WINEARCH):" >&2
        tail -n 20 "$log" >&2
        rm -f "$log"
        exit 1
      fi
      rm -f "$log"
      wineserver -w
      touch "$prefix/.ombrith-ready"
    fi
  ) 9>"$prefix.lock"
}

wine_env_desktop() {
  local prefix=$1 size=$2
  wine_env_prepare "$prefix" || return $?
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  env -u DISPLAY "$(wine_env_loader)" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
    </dev/null >/dev/null 2>&1 || return 1
  env -u DISPLAY "$(wine_env_loader)" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f \
    </dev/null >/dev/null 2>&1 || return 1
  # The desktop is bound to the X display of the server that starts it:
  # restart, so the next program starts it on the caller's display.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
}

wine_env_stop() {
  wine_env_use "$1"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
}
