#!/bin/sh
# Usage: x11_test.sh PROGRAM RIG_FOLDER. Runs the program under a real X server
# (Xvfb) and drives it with real key and mouse events (xdotool): the error box
# of a bad names file at start-up and of an emptied DMX address box close on
# Return, start-up goes on and opens the interface, and the Save dialog of the
# IAP page writes the patch file whose name is typed into it.
# With KORVAL_X11_SHOTS=DIR it leaves a screenshot of every step in DIR.
# Exits 77 (skipped) when Xvfb or xdotool is missing.
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
rigs=$2
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "x11: $tool not installed, skipped"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
  echo "FAILED: $*"
  echo "--- log file:"
  cat "$work/log.txt" 2>/dev/null
  echo "--- program output:"
  cat "$work/program.out" 2>/dev/null
  shot failure
  exit 1
}

# wait_for TENTHS COMMAND...: polls COMMAND every 0.1 s, at most TENTHS times.
wait_for() {
  tries=$1
  shift
  while [ "$tries" -gt 0 ]; do
    "$@" >/dev/null 2>&1 && return 0
    [ -n "$program_pid" ] && ! kill -0 "$program_pid" 2>/dev/null && return 1
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

shot() {
  [ -n "$KORVAL_X11_SHOTS" ] && command -v import >/dev/null 2>&1 &&
    import -display "$DISPLAY" -window root "$KORVAL_X11_SHOTS/$1.png" 2>/dev/null
  return 0
}

# The server picks a free display itself and writes its number to fd 3.
# -noreset: without it the server resets when its last client leaves, and a
# program connecting just then is refused.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.out" 2>&1 &
xvfb_pid=$!
wait_for 100 grep -q '[0-9]' "$work/display"
display=":$(tr -dc 0-9 <"$work/display")"
[ "$display" != ":" ] && wait_for 50 env DISPLAY="$display" xdotool getmouselocation || display=""
[ -n "$display" ] || fail "no X server could be started"
export DISPLAY=$display
export QT_QPA_PLATFORM=xcb

has_window() { xdotool search --onlyvisible --name "$1"; }
no_window() { ! xdotool search --onlyvisible --name "$1"; }
logged() { grep -qF -- "$1" "$work/log.txt"; }
box='^KORVAL RDM Setup$'
main='^KORVAL RDM Setup V'

# Presses a key in the one window whose name matches.
press_in() {
  window=$(xdotool search --onlyvisible --name "$1" | head -n 1)
  [ -n "$window" ] || fail "no window $1"
  xdotool windowfocus --sync "$window" key "$2"
}

# Clicks at a point of the main window's client area.
click_at() {
  xdotool mousemove --window "$main_window" "$1" "$2" click 1
}

sed 's/"timing": *"real"/"timing": "instant"/' "$rigs/example.json" >"$work/rig.json"
printf 'ZZZZ=x\r\n' >"$work/devnames.lst"
(cd "$work" && exec "$program" --virtual-rig rig.json --log-file log.txt) >"$work/program.out" 2>&1 &
program_pid=$!

# Start-up: the names file stops the load and the error box shows first.
wait_for 100 has_window "$box" || fail "no error box at start-up"
shot 1-start-up-box
logged "KORVAL interface initialized" && fail "start-up went on under the box"
press_in "$box" Return
wait_for 100 logged "KORVAL interface initialized" || fail "start-up did not go on after Return"
wait_for 50 no_window "$box" || fail "the start-up box stayed open"
wait_for 50 has_window "$main" || fail "no main window"
main_window=$(xdotool search --onlyvisible --name "$main" | head -n 1)
shot 2-window

# The DMX address box emptied: the conversion error's box, closed by Return.
click_at 434 235
xdotool key ctrl+a BackSpace
wait_for 50 has_window "$box" || fail "no error box for the emptied address box"
shot 3-address-box
press_in "$box" Return
wait_for 50 no_window "$box" || fail "the address box's error box stayed open"

# The IAP page's Save dialog takes a typed name and Return.
click_at 262 21
click_at 578 310
wait_for 50 has_window '^Save As$' || fail "no Save dialog"
shot 4-save-dialog
dialog=$(xdotool search --onlyvisible --name '^Save As$' | head -n 1)
xdotool windowfocus --sync "$dialog" type --delay 10 patch1
xdotool key Return
wait_for 50 test -s "$work/patch1.pat" || fail "no patch file patch1.pat"
wait_for 50 no_window '^Save As$' || fail "the Save dialog stayed open"
shot 5-saved
kill -0 "$program_pid" 2>/dev/null || fail "the program ended"

echo "x11: passed"
