# Sourced by scripts/test and scripts/run: a display, a throwaway wine prefix and
# home, one persistent wineserver. winenv_stop ends what winenv_start started.
# Needs scripts/build.sh sourced first (vastrel_arch). Programs are started with
# "$VASTREL_WINE".
WINENV_PIDS=()

winenv_free_display() {
  local n=91
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  echo "$n"
}

winenv_start() {
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # The wine of this machine's word size (see vastrel_arch in build.sh).
  if [ "$(vastrel_arch)" = 64 ]; then
    export WINEARCH=win64 VASTREL_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
  else
    export WINEARCH=win32 VASTREL_WINE=wine
  fi
  WINENV_TMP=$(mktemp -d /tmp/vastrel-wine.XXXXXX)
  export WINEPREFIX="$WINENV_TMP/prefix" HOME="$WINENV_TMP/home"
  mkdir -p "$HOME"
  if [ -z "${DISPLAY:-}" ] || [ "${WINENV_OWN_DISPLAY:-1}" = 1 ]; then
    local d; d=$(winenv_free_display)
    Xvfb ":$d" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
    WINENV_PIDS+=($!)
    export DISPLAY=":$d"
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$d" ] && break; sleep 0.1; done
  fi
  # The server changes into the prefix folder at start: it must exist first.
  mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 </dev/null
  "$VASTREL_WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
  winenv_registry
  if [ -n "${WINENV_KEEPALIVE:-}" ] && [ -f "$WINENV_KEEPALIVE" ]; then
    "$VASTREL_WINE" "$WINENV_KEEPALIVE" >/dev/null 2>&1 </dev/null &
    WINENV_PIDS+=($!)
  fi
}

# Registry settings of every prefix, imported in one run of regedit:
# - without a window manager wine waits for one each time a top-level window
#   is hidden or destroyed; windows it does not hand to a manager need no wait;
# - the Japanese system fonts the program asks for are replaced by the IPA
#   fonts, whose metrics come close to theirs (the fallback font's line pitch
#   is far larger).
winenv_registry() {
  local reg="$WINENV_TMP/settings.reg"
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"ＭＳ ゴシック"="IPAGothic"\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n'
    printf '"ＭＳ 明朝"="IPAMincho"\r\n"ＭＳ Ｐ明朝"="IPAPMincho"\r\n'
  } | iconv -f UTF-8 -t UTF-16 >"$reg"
  "$VASTREL_WINE" regedit /S "$("$VASTREL_WINE" winepath -w "$reg" 2>/dev/null || echo "$reg")" >/dev/null 2>&1 </dev/null || true
}

winenv_stop() {
  wineserver -k >/dev/null 2>&1 || true
  for p in "${WINENV_PIDS[@]}"; do kill "$p" >/dev/null 2>&1 || true; done
  for p in "${WINENV_PIDS[@]}"; do wait "$p" 2>/dev/null || true; done
  [ -n "${WINENV_TMP:-}" ] && rm -rf "$WINENV_TMP"
  WINENV_PIDS=()
}
