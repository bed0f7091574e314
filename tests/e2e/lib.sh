# Helpers of the end-to-end suite, sourced by tests/e2e/run: the display, one sandbox home per
# scenario, the program under test, waiting for what a user would wait for, and reading the
# results from outside only (files, the hive's text, screenshots).

STEP_TIMEOUT=${E2E_STEP_TIMEOUT:-5}  # seconds a step may take before the scenario fails
START_TIMEOUT=${E2E_START_TIMEOUT:-15}

DB_FILES=("iTunes Library.itl" "iTunes Music Library.xml" "iTunes Library Extras.itdb"
  "iTunes Library Genius.itdb")

# Window coordinates of the main window's controls (client area, as laid out in res/Main.layout).
ADD_BUTTON=(56 188)       # Button1 "Add library" at 16,176 81x25
ACTIVATE_BUTTON=(278 188) # Button2 "Make library active" at 214,176 129x25
HELP_BUTTON=(178 188)     # SpeedButton1 at 166,176 24x24
WEB_BUTTON=(149 188)      # SpeedButton2 at 137,176 24x24
OVERWRITE_BOX=(39 236)    # CheckBox1 at 32,228; its tick mark is at the left
COPY_BOX=(39 256)         # CheckBox2 at 32,248
HEADING=(60 24)           # Label1, which does nothing when clicked
LIST_AREA=(16 37 153 132) # CheckListBox1
slot_xy() { echo "202 $((46 + 24 * $1 + 12))"; }       # the radio button of slot $1
list_tick_xy() { echo "27 $((37 + 2 + 13 * $1 + 6))"; } # the check box of file list row $1

# ---------------------------------------------------------------- display and window manager
# A window manager is what turns Alt+F4 into a close request and a click into focus, as on a
# desktop; without one the keys would reach the program raw.
start_display() {
  start_xvfb || return 1
  mkdir -p "$WORK/wm"
  HOME="$WORK/wm" openbox --sm-disable --config-file "$ROOT/tests/e2e/openbox-rc.xml" \
    >"$WORK/wm/openbox.log" 2>&1 &
  WM_PID=$!
  local i
  for i in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  echo "The window manager did not start:" >&2
  cat "$WORK/wm/openbox.log" >&2
  return 1
}

stop_display() {
  [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
}

# ---------------------------------------------------------------- waiting and failing
# step DESCRIPTION COMMAND...: polls COMMAND until it succeeds; fails the scenario after
# STEP_TIMEOUT seconds (STEP_WAIT overrides it for one call).
step() {
  local what="$1"; shift
  local limit=$(( ${STEP_WAIT:-$STEP_TIMEOUT} * 10 )) i
  : >"$DETAIL"
  for ((i = 0; i < limit; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  "$@" && return 0
  fail "$what (not within ${STEP_WAIT:-$STEP_TIMEOUT} s)"
}

# check DESCRIPTION COMMAND...: a state that must hold right now.
check() {
  local what="$1"; shift
  : >"$DETAIL"
  "$@" || fail "$what"
}

# Ends the scenario: says what did not happen, keeps a screenshot, the sandbox and the program's
# output, and shows them.
fail() {
  echo "step failed: $*"
  if [ -n "${DETAIL:-}" ] && [ -s "$DETAIL" ]; then
    echo "details:"; sed 's/^/  /' "$DETAIL"
  fi
  local shot="$ART/$SCENARIO.png"
  import -window root "$shot" 2>/dev/null && echo "screenshot: $shot"
  if [ -n "${S:-}" ] && [ -d "$S" ]; then
    cp -a "$S" "$ART/$SCENARIO-sandbox" 2>/dev/null && echo "sandbox: $ART/$SCENARIO-sandbox"
  fi
  if [ -n "${APP_OUT:-}" ]; then
    echo "program output:"
    sed 's/^/  | /' "$APP_OUT" 2>/dev/null
  fi
  exit 1
}

# ---------------------------------------------------------------- sandbox
# new_sandbox: a home of this scenario's own, with the hive folder, the music folder and a fake
# xdg-open first on PATH that records what the program asks it to open.
new_sandbox() {
  S="$WORK/$SCENARIO"
  HOME_DIR="$S/home"
  CONFIG_DIR="$HOME_DIR/.config"
  HIVE_DIR="$CONFIG_DIR/molvane/registry"
  HIVE="$HIVE_DIR/HKEY_LOCAL_MACHINE.reg"
  MUSIC="$HOME_DIR/My Documents/My Music"
  ITUNES="$MUSIC/iTunes"
  LIBS="$MUSIC/Molvane"
  OPENED="$S/opened.log"
  DETAIL="$S/detail.txt"
  APP_OUT="$S/program-output.log"
  mkdir -p "$HOME_DIR" "$S/bin" "$S/run"
  chmod 700 "$S/run"
  : >"$APP_OUT"
  cat >"$S/bin/xdg-open" <<EOF
#!/bin/sh
# Stands in for the desktop's opener: one line per request, the arguments separated by tabs.
{ printf '%s' "\$1"; shift; for a in "\$@"; do printf '\t%s' "\$a"; done; printf '\n'; } >>"$OPENED"
EOF
  chmod 755 "$S/bin/xdg-open"
}

# What the installer does: the settings key with its first values and the folder of "Lib 1".
install_settings() {
  "$BUILD/molvane-setup" "$HIVE_DIR" "$HOME_DIR" >/dev/null || fail "molvane-setup failed"
}

# put FILE TEXT: a file holding one line of text.
put() {
  mkdir -p "$(dirname "$1")"
  printf '%s\n' "$2" >"$1"
}

# An iTunes folder with the four database files, each saying where it comes from.
seed_itunes() {
  local f
  for f in "${DB_FILES[@]}"; do put "$ITUNES/$f" "iTunes folder: $f"; done
}

# make_library NAME: a library folder with its own four database files.
make_library() {
  local f
  for f in "${DB_FILES[@]}"; do put "$LIBS/$1/$f" "$1: $f"; done
}

# copy_db FROM TO: what a switch or a new library does to the four database files.
copy_db() {
  local f
  mkdir -p "$2"
  for f in "${DB_FILES[@]}"; do cp "$1/$f" "$2/$f"; done
}

# snapshot NAME: a copy of the whole music folder, to compare with afterwards.
snapshot() {
  rm -rf "$S/$1"
  cp -a "$MUSIC" "$S/$1"
}

# music_is NAME: the music folder holds exactly the snapshot's files, byte for byte, and
# nothing more (temporaries included).
music_is() {
  diff -r "$S/$1" "$MUSIC" >"$DETAIL" 2>&1
}

# ---------------------------------------------------------------- the hive, read as text
hive_value() {
  tr -d '\r' <"$HIVE" 2>/dev/null | sed -n "s/^\"$1\"=//p"
}
hive_is() {
  local got
  got="$(hive_value "$1")"
  [ "$got" = "$2" ] && return 0
  echo "\"$1\" is [$got], expected [$2]" >"$DETAIL"
  return 1
}
hive_set() {
  sed -i "s/^\"$1\"=[^\r]*/\"$1\"=$2/" "$HIVE"
  [ "$(hive_value "$1")" = "$2" ] || fail "could not prepare \"$1\" in the hive"
}
hive_unchanged() { cmp -s "$S/hive.before" "$HIVE"; }
save_hive() { cp -p "$HIVE" "$S/hive.before"; }

# ---------------------------------------------------------------- the program
# start_app: starts the built program in the sandbox (as RUN_AS when set), from the sandbox as
# working folder, so that nothing depends on starting it from its own folder.
start_app() {
  local as=()
  if [ -n "${RUN_AS:-}" ]; then
    as=(setpriv --reuid="$RUN_AS" --regid="$(id -g "$RUN_AS")" --clear-groups)
  fi
  (cd "$S" && exec "${as[@]}" env HOME="$HOME_DIR" XDG_CONFIG_HOME="$CONFIG_DIR" \
    XDG_RUNTIME_DIR="$S/run" PATH="$S/bin:$PATH" "$BUILD/molvane") >>"$APP_OUT" 2>&1 &
  APP_PID=$!
  MAIN="" BOX="" DIALOG=""
}

app_running() {
  [ -r "/proc/$APP_PID/stat" ] || return 1
  local state
  state="$(sed 's/^.*) //' "/proc/$APP_PID/stat" 2>/dev/null | cut -d' ' -f1)"
  [ -n "$state" ] && [ "$state" != Z ]
}
app_ended() { ! app_running; }

# Stops the program if it still runs; every scenario ends with it.
stop_app() {
  [ -n "${APP_PID:-}" ] || return 0
  if app_running; then
    kill "$APP_PID" 2>/dev/null
    local i
    for i in $(seq 1 20); do app_running || break; sleep 0.1; done
    app_running && kill -KILL "$APP_PID" 2>/dev/null
  fi
  wait "$APP_PID" 2>/dev/null
  APP_PID=""
}

# The program's visible top-level window with the exact title $1, if any.
visible_window() {
  xdotool search --all --onlyvisible --pid "$APP_PID" --name "$1" 2>/dev/null | head -n1
}
main_shown() { MAIN="$(visible_window '^Molvane v1\.0$')"; [ -n "$MAIN" ]; }
box_shown() { BOX="$(visible_window '^Molvane$')"; [ -n "$BOX" ]; }
dialog_shown() { DIALOG="$(visible_window '^Library name$')"; [ -n "$DIALOG" ]; }
box_gone() { ! box_shown; }
dialog_gone() { ! dialog_shown; }
main_not_shown() { ! main_shown; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

start_and_wait_main() {
  start_app
  STEP_WAIT=$START_TIMEOUT step "the main window \"Molvane v1.0\" appears" main_shown
}

# click WINDOW X Y: a left click at a point of the window's client area.
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}
click_slot() { click "$MAIN" $(slot_xy "$1"); }
press() { xdotool key "$@"; }
type_text() { xdotool type --delay 25 "$1"; }

# Closes the message box with its default button, as a user pressing Enter would.
dismiss_box() {
  click "$BOX" 10 10
  step "the message box takes the focus" is_active "$BOX"
  press Return
  step "the message box goes away" box_gone
}

# Closes the program as a user does: click into the main window, then Alt+F4; it must end with
# exit code 0.
close_with_alt_f4() {
  click "$MAIN" "${HEADING[@]}"
  step "the main window takes the focus" is_active "$MAIN"
  press alt+F4
  step "the program ends after Alt+F4" app_ended
  wait "$APP_PID"
  local code=$?
  APP_PID=""
  [ "$code" -eq 0 ] || fail "the program ended with exit code $code"
}

# ---------------------------------------------------------------- screenshots
# region_sig WINDOW X Y W H: a fingerprint of what a part of the window shows now.
region_sig() {
  import -window "$1" png:- 2>/dev/null |
    convert png:- -crop "${4}x${5}+${2}+${3}" +repage rgb:- 2>/dev/null | md5sum | cut -d' ' -f1
}
list_sig() { region_sig "$MAIN" "${LIST_AREA[@]}"; }
list_changed_from() { [ "$(list_sig)" != "$1" ]; }

# lit_slots: the slots (0 to 4) beside which the indicator's green lamp shows in the main window.
# The lamp's face is window x 181..186; beside slot i it spans y 51..61 + 24 * i.
lit_slots() {
  local shot="$S/main-window.png"
  import -window "$MAIN" "$shot" 2>/dev/null || return 1
  convert "$shot" -crop 6x120+181+48 +repage -scale '1x120!' -depth 8 txt:- 2>/dev/null |
    awk -F'[(,)]' '/^0,/ {
        y = $2; slot = int(y / 24); off = y - 24 * slot
        if (off >= 3 && off <= 13) { r[slot] += $3; g[slot] += $4; b[slot] += $5; n[slot]++ }
      }
      END {
        out = ""
        for (i = 0; i < 5; i++) {
          if (!n[i]) continue
          R = r[i] / n[i]; G = g[i] / n[i]; B = b[i] / n[i]
          if (G >= 150 && G - R >= 60 && G - B >= 60) out = out (out == "" ? "" : " ") i
        }
        print out
      }'
}
lamp_at() {
  local got
  got="$(lit_slots)"
  [ "$got" = "$1" ] && return 0
  echo "the lamp shows beside slot(s) [$got], expected [$1]" >"$DETAIL"
  return 1
}

# box_text: the message box's text, read from its screenshot.
box_text() {
  local shot="$S/box.png"
  import -window "$BOX" "$shot" 2>/dev/null || return 1
  convert "$shot" -scale 300% "$S/box-large.png" || return 1
  tesseract "$S/box-large.png" - 2>/dev/null | sed "s/[‘’]/'/g" | tr -s ' \n' ' '
}
box_says() {
  local text
  text="$(box_text)"
  [[ "$text" == *"$1"* ]] && return 0
  echo "the box reads: $text" >"$DETAIL"
  return 1
}
