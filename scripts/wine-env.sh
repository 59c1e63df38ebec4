# Wine environment for running the Windows build: a private prefix, created
# once without a terminal or prompts, and the virtual desktop that display
# modes need. Sourced by the scripts that run Windows programs.
#
#   wine_env_use PREFIX            export the variables for PREFIX
#   wine_env_prepare PREFIX        create PREFIX on first use (serialised)
#   wine_env_desktop PREFIX WxH    set the virtual desktop and restart the
#                                  wine server so the next program uses it
#   wine_env_stop PREFIX           stop the prefix's wine server and wait

wine_env_use() {
  export WINEPREFIX=$1
  export WINEARCH=win32
  export WINEDEBUG=${WINEDEBUG:--all}
  # Never offer to install Mono or Gecko: nothing here needs them.
  case ";${WINEDLLOVERRIDES:-};" in
    *";mscoree,mshtml=;"*) ;;
    *) export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" ;;
  esac
}

wine_env_prepare() {
  local prefix=$1
  wine_env_use "$prefix"
  [ -f "$prefix/.ombrith-ready" ] && return 0
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/.ombrith-ready" ]; then
      rm -rf "$prefix"
      # No display is needed to create the prefix; without one Wine shows
      # no dialog either.
      env -u DISPLAY wineboot -i </dev/null >/dev/null 2>&1 || {
        echo "wine-env: wineboot failed for $prefix" >&2
        exit 1
      }
      wineserver -w
      touch "$prefix/.ombrith-ready"
    fi
  ) 9>"$prefix.lock"
}

wine_env_desktop() {
  local prefix=$1 size=$2
  wine_env_prepare "$prefix" || return 1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  env -u DISPLAY wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
    </dev/null >/dev/null 2>&1 || return 1
  env -u DISPLAY wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f \
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
