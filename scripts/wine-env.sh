# Sourced by the run, test and benchmark scripts: a private Wine prefix with the
# Japanese font substitutes, a private Xvfb display and one persistent wineserver.
# Helpers are started with their output sent to /dev/null; their PIDs are kept so
# that exactly those are stopped again.

WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver

darna_wine_vars() {   # $1 = prefix folder
  export WINEPREFIX="$1"
  export WINELOADER="$WINE64"
  export WINESERVER
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
}

# Sets up a prefix, the one function every script uses for its prefix (tests,
# run command, screenshots, benchmarks): created once with the Japanese font
# substitutes, the Marlett font (the caption buttons' symbols) and no crash
# dialog; then, on every call, Wine's own window management (Managed = N) when
# the display is a private Xvfb without a window manager (DARNA_XVFB_PID set by
# darna_xvfb_start, so call that first), the window manager's otherwise.
darna_wine_prefix() {   # $1 = prefix folder
  darna_wine_vars "$1"
  if [ ! -f "$1/.darna-ready-3" ]; then
    echo "wine: creating the prefix $1"
    rm -rf "$1"; mkdir -p "$1"
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
    local fonts="$1/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    local reg="$1/fonts.reg"
    {
      printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
      printf '"MS UI Gothic"="IPAGothic"\r\n'
      printf '"ＭＳ ゴシック"="IPAGothic"\r\n'
      printf '"ＭＳ Ｐゴシック"="IPAPGothic"\r\n'
      printf '"ＭＳ 明朝"="IPAMincho"\r\n'
      printf '"ＭＳ Ｐ明朝"="IPAPMincho"\r\n'
      printf '"MS Gothic"="IPAGothic"\r\n'
      printf '"MS PGothic"="IPAPGothic"\r\n'
      printf '"MS Mincho"="IPAMincho"\r\n'
      printf '"MS PMincho"="IPAPMincho"\r\n\r\n'
      # A crash ends the program: no crash dialog waits on the (hidden) display.
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n'
      printf '"ShowCrashDialog"=dword:00000000\r\n\r\n'
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
    "$WINE64" regedit /S "$(winepath_w "$reg")" >/dev/null 2>&1 || true
    "$WINESERVER" -w
    rm -f "$1"/.darna-managed-*
    touch "$1/.darna-ready-3"
  fi
  # The registry is written only when the kind of display changed since the last call.
  local managed=Y
  [ -n "${DARNA_XVFB_PID:-}" ] && managed=N
  if [ ! -f "$1/.darna-managed-$managed" ]; then
    if [ "$managed" = N ]; then
      "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    else
      "$WINE64" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
    fi
    "$WINESERVER" -w
    rm -f "$1"/.darna-managed-*
    touch "$1/.darna-managed-$managed"
  fi
}

winepath_w() { echo "Z:${1//\//\\}"; }

# Starts Xvfb on a free display unless DARNA_USE_DISPLAY is set and usable.
darna_xvfb_start() {
  DARNA_XVFB_PID=""
  if [ -n "${DARNA_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    return 0
  fi
  local fdfile; fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  DARNA_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then echo "wine: Xvfb did not start" >&2; rm -f "$fdfile"; return 1; fi
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
}

darna_wineserver_start() {
  "$WINESERVER" -f -p >/dev/null 2>&1 &
  DARNA_WINESERVER_PID=$!
  # Start Wine's own services now, with their output on /dev/null: started by the
  # first test instead, they would inherit its output pipe and hold ctest open.
  "$WINE64" wineboot -s >/dev/null 2>&1 </dev/null || true
}

darna_wine_stop() {
  if [ -n "${DARNA_WINESERVER_PID:-}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    kill "$DARNA_WINESERVER_PID" >/dev/null 2>&1 || true
    wait "$DARNA_WINESERVER_PID" 2>/dev/null || true
    DARNA_WINESERVER_PID=""
  fi
  if [ -n "${DARNA_XVFB_PID:-}" ]; then
    kill "$DARNA_XVFB_PID" >/dev/null 2>&1 || true
    wait "$DARNA_XVFB_PID" 2>/dev/null || true
    DARNA_XVFB_PID=""
  fi
}

# Stops the helpers when the script ends, also when it is interrupted or killed.
darna_wine_traps() {
  trap darna_wine_stop EXIT
  trap 'darna_wine_stop; trap - EXIT; exit 130' INT
  trap 'darna_wine_stop; trap - EXIT; exit 143' TERM HUP
}
