# Wine helpers for the Windows program, sourced by scripts/test-windows-ui and scripts/run.
# Callers set WINEPREFIX (a folder of their own) before wine_boot.

# The Wine loader and its server, wherever Debian put them.
WINE="$(command -v wine64 || true)"
[ -n "$WINE" ] || WINE=/usr/lib/wine/wine64
WINESERVER="$(dirname "$WINE")/wineserver"
[ -x "$WINESERVER" ] || WINESERVER="$(command -v wineserver || echo wineserver)"
export WINEARCH=win64
# No Mono or Gecko: nothing here needs them, and asking for them only slows the prefix down.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Makes the prefix; fails with Wine's own words when Wine cannot start.
wine_boot() {
  if [ ! -x "$WINE" ]; then
    echo "Wine is not installed ($WINE is missing)." >&2
    return 1
  fi
  if ! timeout 300 "$WINE" wineboot -i >"$WINEPREFIX.boot.log" 2>&1; then
    echo "Wine cannot start on this machine; wineboot said:" >&2
    cat "$WINEPREFIX.boot.log" >&2
    rm -f "$WINEPREFIX.boot.log"
    return 1
  fi
  rm -f "$WINEPREFIX.boot.log"
}

# One value of a key, as "wine reg query" shows it: "TYPE DATA".
wine_reg_value() {
  "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *\(REG_[A-Z_]*\) *\(.*\)\$/\1 \2/p"
}

# The user's music folder in the prefix, as the program builds it from "HOMEDRIVE" and
# "HOMEPATH", turned into a Linux path.
wine_music_folder() {
  local drive path
  drive="$(wine_reg_value 'HKCU\Volatile Environment' HOMEDRIVE | cut -d' ' -f2-)"
  path="$(wine_reg_value 'HKCU\Volatile Environment' HOMEPATH | cut -d' ' -f2-)"
  "$WINE" winepath -u "$drive$path\\My Documents\\My Music" 2>/dev/null | tr -d '\r'
}

# The installer's duty: the folder of the first library, then the settings key with its first
# values, imported with regedit. An existing key is left as it is.
wine_install_settings() {
  local music
  music="$(wine_music_folder)"
  [ -n "$music" ] || { echo "Wine gives no music folder." >&2; return 1; }
  mkdir -p "$music/Molvane/Lib 1"
  if "$WINE" reg query 'HKLM\Software\Zarnet\Molvane' >/dev/null 2>&1; then return 0; fi
  local file="$WINEPREFIX/molvane-settings.reg"
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\Software\Zarnet\Molvane]' \
    '"Library Name"="Lib 1"' \
    '"First Use"=dword:00000000' \
    '"Overwrite Library"=dword:00000001' \
    '"Copy Content"=dword:00000000' >"$file"
  "$WINE" regedit "$(WINEDEBUG=-all "$WINE" winepath -w "$file" | tr -d '\r')"
  rm -f "$file"
  "$WINE" reg query 'HKLM\Software\Zarnet\Molvane' >/dev/null 2>&1 ||
    { echo "regedit did not make the settings key." >&2; return 1; }
}
