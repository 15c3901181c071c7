#!/usr/bin/env bash
# Morvanex on a real X server, as an operator meets it: its own Xvfb with openbox as the window
# manager, a copy of the demo workspace, and xdotool at the keyboard and mouse. Types a demo code
# key by key, Enter, "SIM" (Enter), then "Sair"; checks the stored FooterString and the register's
# record; starts again and checks that the window offers no resizing, minimises, and that Enter
# validates the restored code; then that Tab and Shift+Tab leave the result list, and that a whole
# code pasted into field 1 fills all five.
# Usage: xvfb_session_test.sh MORVANEX DEMO_DIR. Exits 77 (skipped) when a tool is missing.
set -euo pipefail

program=$1
demo=$2
display_tools="xprop xclip"
source "$(dirname "$0")/../support/x11_display.sh"
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"

visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
shows() { [ -n "$(visible_window "$1")" ]; }
gone() { ! shows "$1"; }
active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
exited() { ! kill -0 "$1" 2>/dev/null; }

cp -r "$demo" "$work/demo"
mkdir -p "$work/config"
code=$(grep -B1 -E '^\s+image ARGOS210\.BIN' "$work/demo/README" | head -n 1 | sed -E 's/^\s+//; s/\s+$//')
[ ${#code} -eq 48 ] || fail "no demo code in $demo/README"

# start_morvanex [WORKSPACE [COMMAND PREFIX...]]
start_morvanex() {
  local workspace=${1:-$work/demo}
  (cd "$workspace" && exec env QT_QPA_PLATFORM=xcb "${@:2}" "$program" >>"$work/app.log" 2>&1) &
  app=$!
  pids+=("$app")
  eventually shows "Morvanex 1.05" || fail "the main window did not come up"
  window=$(visible_window "Morvanex 1.05")
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
  eventually active "$window" || fail "the main window did not take the focus"
}

stored_line() { grep -a '^FooterString=' "$work/config/Morvanex.INI" | tr -d '\r'; }

# Enter on the focused validation button, then "SIM" (the CNPJ question's default) with Enter.
validate_and_confirm() {
  xdotool key Return
  eventually shows "CNPJ" || fail "Enter did not bring up the CNPJ question"
  eventually active "$(visible_window CNPJ)" || fail "the CNPJ question did not take the focus"
  xdotool key Return
  eventually gone "CNPJ" || fail "Enter did not answer the CNPJ question"
}

# First start: nothing stored, the focus in field 1. Each full field hands the focus on.
start_morvanex
xdotool type --delay 40 "${code// /}"
validate_and_confirm
# "Sair", where the form puts it (x 485, y 86, 68 x 50 pixels).
xdotool mousemove --window "$window" 519 111 click 1
eventually exited "$app" || fail "Sair did not close the window"
[ "$(stored_line)" = "FooterString=$code" ] || fail "stored \"$(stored_line)\", expected \"FooterString=$code\""
# "SIM" was recorded in the user's register, which the first check made: its header and one record.
register=$work/data/morvanex/registro.txt
[ "$(grep -c "	Valid	$code	" "$register" 2>/dev/null)" = 1 ] || fail "no record of $code in $register"

# Second start: the code is restored with the focus on the validation button.
start_morvanex
actions=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
[[ $actions == *_NET_WM_ACTION_MINIMIZE* ]] || fail "the window manager offers no minimise: $actions"
[[ $actions != *_NET_WM_ACTION_RESIZE* ]] || fail "the window manager offers resizing: $actions"
xdotool windowminimize "$window"
eventually gone "Morvanex 1.05" || fail "the window did not minimise"
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
eventually active "$window" || fail "the window did not come back from minimised"
validate_and_confirm
# Escape leaves without storing anything.
xdotool key Escape
eventually exited "$app" || fail "Escape did not close the window"
[ "$(stored_line)" = "FooterString=$code" ] || fail "Escape changed the stored code to \"$(stored_line)\""

# Third start: the result list is one tab stop. With a row clicked, Tab goes on to field 1, whose
# text it selects, so "x" replaces it; two Shift+Tabs from there pass the list and reach "Sair",
# which the space bar presses.
start_morvanex
validate_and_confirm
xdotool mousemove --window "$window" 200 175 click 1
xdotool key Tab
xdotool type x
xdotool key shift+Tab shift+Tab space
eventually exited "$app" || fail "Shift+Tab did not leave the result list for Sair"
[ "$(stored_line)" = "FooterString=X ${code:9}" ] ||
  fail "Tab did not leave the result list for field 1: stored \"$(stored_line)\""

# Fourth start, nothing stored: the whole code pasted into field 1 with Ctrl+V fills the five fields.
rm "$work/config/Morvanex.INI"
printf '%s' "$code" | xclip -selection clipboard 2>/dev/null
eventually test "$(xclip -o -selection clipboard 2>/dev/null)" = "$code" || fail "xclip did not take the clipboard"
start_morvanex
xdotool key ctrl+v
validate_and_confirm
xdotool mousemove --window "$window" 519 111 click 1
eventually exited "$app" || fail "Sair did not close the window"
[ "$(stored_line)" = "FooterString=$code" ] || fail "pasted into field 1, stored \"$(stored_line)\""

# An image larger than the address space allows: the validation ends with the firmware-not-found
# message and the window stays. Five GiB of zero bytes, sparse, whose CRC-16 is 0000, as is the
# checksum of this code; settled an hour ago, so the catalogue reads it once.
mkdir -p "$work/big/TXT" "$work/big/Bin"
printf 'ARQUIVO: big.bin\nMODELO: BIG\n' >"$work/big/TXT/big.txt"
truncate -s 5G "$work/big/Bin/big.bin"
touch -d '1 hour ago' "$work/big/Bin/big.bin"
start_morvanex "$work/big" prlimit --as=3221225472
xdotool type --delay 20 "00000100000000000001000000000000000000000000"
xdotool key Return
eventually shows "Morvanex" || fail "no message for an image too large for memory"
xdotool key Return
eventually gone "Morvanex" || fail "the message did not close"
! exited "$app" || fail "Morvanex ended on an image too large for memory"
# The search for suggestions that follows the message may still run: a first Escape stops it.
for _ in 1 2; do
  xdotool key Escape
  for _ in $(seq 50); do exited "$app" && break 2; sleep 0.1; done
done
exited "$app" || fail "Escape did not close the window"
echo "PASS: typed, validated, stored and restored $code; Tab leaves the result list; a pasted code fills the fields; an image too large for memory is not found"
