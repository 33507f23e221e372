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

# A LOGFONTW record (92 bytes) as a regedit hex list: 12 pixels high, the
# weight given, the Japanese character set, face IPAPGothic.
darna_logfont_hex() {   # $1 = weight in hex, low byte first ("90,01" for 400)
  local face="49,00,50,00,41,00,50,00,47,00,6f,00,74,00,68,00,69,00,63,00" rest="" i
  for i in $(seq 1 22); do rest="$rest,00,00"; done
  printf 'hex:f4,ff,ff,ff,00,00,00,00,00,00,00,00,00,00,00,00,%s,00,00,00,00,00,80,00,00,00,00,%s%s' "$1" "$face" "$rest"
}

# Sets up a prefix, the one function every script uses for its prefix (tests,
# run command, screenshots, benchmarks): created once with the Japanese font
# substitutes, the Marlett font (the caption buttons' symbols) and no crash
# dialog. The text the system draws itself (window titles, menus, message
# boxes, the common dialogs) is set in IPAPGothic: at the system's 12-pixel
# size IPAGothic, which Wine picks for the Japanese locale, loses its
# underscores, so that names like "a_b.jpg" would show as "a b.jpg"; then, on every call, Wine's own window management (Managed = N) when
# the display is a private Xvfb without a window manager (DARNA_XVFB_PID set by
# darna_xvfb_start, so call that first), the window manager's otherwise.
darna_wine_prefix() {   # $1 = prefix folder
  darna_wine_vars "$1"
  if [ ! -f "$1/.darna-ready-4" ]; then
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
      printf '"MS PMincho"="IPAPMincho"\r\n'
      printf '"MS Shell Dlg"="IPAPGothic"\r\n'
      printf '"MS Shell Dlg 2"="IPAPGothic"\r\n\r\n'
      printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]\r\n'
      printf '"CaptionFont"=%s\r\n' "$(darna_logfont_hex bc,02)"
      local f
      for f in SmCaptionFont MenuFont StatusFont MessageFont IconFont; do
        printf '"%s"=%s\r\n' "$f" "$(darna_logfont_hex 90,01)"
      done
      printf '\r\n'
      # A crash ends the program: no crash dialog waits on the (hidden) display.
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n'
      printf '"ShowCrashDialog"=dword:00000000\r\n\r\n'
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
    "$WINE64" regedit /S "$(winepath_w "$reg")" >/dev/null 2>&1 || true
    "$WINESERVER" -w
    rm -f "$1"/.darna-managed-*
    touch "$1/.darna-ready-4"
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
  darna_cups_stop
}

# Stops the helpers when the script ends, also when it is interrupted or killed.
darna_wine_traps() {
  trap darna_wine_stop EXIT
  trap 'darna_wine_stop; trap - EXIT; exit 130' INT
  trap 'darna_wine_stop; trap - EXIT; exit 143' TERM HUP
}

# Tests only: the test tablet DLL of the build (build/testdll/wintab32.dll) goes
# into the prefix's system folder and is preferred to Wine's own through a DLL
# override. It reports no tablet unless a test names its packet script in
# DARNA_WINTAB_SCRIPT, so the other tests see a machine without a tablet.
darna_test_wintab() {   # $1 = build folder; after darna_wine_prefix
  local dll="$1/testdll/wintab32.dll"
  [ -f "$dll" ] || return 0
  cp -f "$dll" "$WINEPREFIX/drive_c/windows/system32/wintab32.dll"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}wintab32=n"
}

# A private print spooler for the test run: cupsd with its configuration, spool
# and logs under $1 (the build tree's cups/ folder), listening only on a socket
# there, with one PDF queue (cups-pdf) as the default printer. Wine reaches it
# through CUPS_SERVER. Printed pages land as PDF files in $DARNA_PRINT_PDF_DIR
# (one file a job, named after the job's title); a test waits for a new file there.
# cups-pdf reads its per-queue settings only from /etc/cups, so that one file is
# written there (named after the queue) and removed again by darna_cups_stop.
darna_cups_start() {   # $1 = folder for the spooler's files
  DARNA_CUPS_PID=""
  DARNA_CUPS_PDF_CONF=""
  command -v cupsd >/dev/null || { echo "cups: cupsd is not installed" >&2; return 1; }
  [ -x /usr/lib/cups/backend/cups-pdf ] || { echo "cups: cups-pdf is not installed" >&2; return 1; }
  local root; root="$(mkdir -p "$1" && cd "$1" && pwd)"
  # One queue name per build tree, stable across runs (the Wine prefix keeps it).
  local queue; queue="darna_$(printf '%s' "$root" | md5sum | cut -c1-8)"
  rm -rf "$root/conf" "$root/spool" "$root/cache" "$root/state" "$root/log" "$root/pdfspool"
  mkdir -p "$root/conf/ppd" "$root/spool/tmp" "$root/cache" "$root/state" "$root/log" \
           "$root/pdf" "$root/pdfspool"
  chmod 0755 "$root" "$root/conf" "$root/log" "$root/state"
  chmod 1777 "$root/spool/tmp" "$root/pdfspool"
  rm -f "$root/pdf"/*.pdf
  cat > "$root/conf/cupsd.conf" <<CONF
LogLevel warn
MaxLogSize 0
Listen $root/state/cups.sock
Browsing No
DefaultAuthType None
WebInterface No
IdleExitTimeout 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat > "$root/conf/cups-files.conf" <<CONF
SystemGroup root
ServerRoot $root/conf
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
ErrorLog $root/log/error_log
AccessLog $root/log/access_log
PageLog $root/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
Sandboxing relaxed
CONF
  DARNA_CUPS_PDF_CONF="/etc/cups/cups-pdf-$queue.conf"
  cat > "$DARNA_CUPS_PDF_CONF" <<CONF
Out $root/pdf
AnonDirName $root/pdf
Spool $root/pdfspool
Log $root/log
Label 1
TitlePref 1
Truncate 200
UserUMask 0022
Grp root
CONF
  # Started in the foreground (-f) so that the PID kept is cupsd's own.
  cupsd -f -c "$root/conf/cupsd.conf" -s "$root/conf/cups-files.conf" </dev/null >/dev/null 2>&1 &
  DARNA_CUPS_PID=$!
  export CUPS_SERVER="$root/state/cups.sock"
  local i
  for i in $(seq 1 100); do
    [ -S "$CUPS_SERVER" ] && lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
  done
  if ! lpstat -r >/dev/null 2>&1; then
    echo "cups: cupsd did not start (see $root/log/error_log)" >&2; darna_cups_stop; return 1
  fi
  if ! lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
       >/dev/null 2>&1 || ! lpadmin -d "$queue" >/dev/null 2>&1; then
    echo "cups: the PDF queue could not be made (see $root/log/error_log)" >&2; darna_cups_stop; return 1
  fi
  export DARNA_PRINT_QUEUE="$queue" DARNA_PRINT_PDF_DIR="$root/pdf"
}

darna_cups_stop() {
  if [ -n "${DARNA_CUPS_PID:-}" ]; then
    kill "$DARNA_CUPS_PID" >/dev/null 2>&1 || true
    wait "$DARNA_CUPS_PID" 2>/dev/null || true
    DARNA_CUPS_PID=""
  fi
  if [ -n "${DARNA_CUPS_PDF_CONF:-}" ]; then
    rm -f "$DARNA_CUPS_PDF_CONF"
    DARNA_CUPS_PDF_CONF=""
  fi
}

# Scanning in the test prefix: the source manager twain_32.dll where programs
# look for it (the Windows folder; Wine keeps its own in system32), and our data
# source ($2, plugins/twain) in place of the placeholder source "sane.ds" in the
# prefix's TWAIN folder, which Wine's manager loads.
darna_twain_install() {   # $1 = prefix folder, $2 = our data source (.ds)
  local win="$1/drive_c/windows"
  [ -f "$2" ] || { echo "twain: no data source $2 (not built?)" >&2; return 0; }
  cp -f "$win/system32/twain_32.dll" "$win/twain_32.dll"
  mkdir -p "$win/twain_64"
  cp -f "$2" "$win/twain_64/sane.ds"
}

# The screen of the display as an image file (any format ImageMagick writes,
# by the name's extension). Wine on a display without a window manager keeps
# some top-level windows (the modal dialogs among them) off the root window's
# picture: their own contents are right, but `xwd -root` shows them black. So
# the root window is taken first and every viewable top-level window is laid
# over it from its own contents, bottom to top, at its place on the screen.
darna_screen_shot() {   # $1 = file
  local tmp id info x y w h i=0
  local layers=()
  tmp="$(mktemp -d)"
  xwd -root -display "$DISPLAY" | convert xwd:- "$tmp/root.png"
  # xwininfo lists the root's children from the top of the stack down.
  for id in $(xwininfo -root -children -display "$DISPLAY" | awk '$1 ~ /^0x/ { print $1 }' | tac); do
    info="$(xwininfo -id "$id" -display "$DISPLAY" 2>/dev/null)" || continue
    grep -q 'Map State: IsViewable' <<<"$info" || continue
    read -r x y w h <<<"$(awk -F: '/Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
                                    /^ +Width/ { w = $2 } /^ +Height/ { h = $2 } END { print x, y, w, h }' <<<"$info")"
    [ "$w" -gt 2 ] && [ "$h" -gt 2 ] || continue
    xwd -id "$id" -display "$DISPLAY" 2>/dev/null | convert xwd:- "$tmp/$i.png" 2>/dev/null || continue
    layers+=("$tmp/$i.png" -geometry "$(printf '%+d%+d' "$x" "$y")" -composite)
    i=$((i + 1))
  done
  convert "$tmp/root.png" "${layers[@]}" "$1"
  rm -rf "$tmp"
}
