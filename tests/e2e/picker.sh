#!/usr/bin/env bash
# End-to-end: the window picker. A helper program shows a window of its own; the driver opens the
# task editor, and xdotool drags the editor's cross-hair onto the helper's window: the button goes
# down on the cross-hair, the pointer moves onto the helper's window and the button is released
# there. The editor then names the helper's program and process id; "Add" turns them into a close
# task whose Program and ID are the helper's.
#
# Environment as for every e2e script (see tests/e2e/main_window.sh). Run by hand from a build
# folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/picker.sh
set -uo pipefail

name=picker
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib/session.bash"
command -v xdotool >/dev/null || { echo "xdotool is not installed"; exit 1; }

EDITOR_CLASS=KestrelonEditorWindow
EDITOR_TITLE="Add a Task"
HELPER_CLASS=KHelperWindow
HELPER_TITLE="Picker e2e helper"
helper="$build/khelper.exe"
[[ -f $helper ]] || { echo "missing: $helper"; exit 1; }

rm -rf -- "$work/appdata"
mkdir -p -- "$work/appdata" "$artifacts"

helper_pid=""
stop_helper() { [[ -n $helper_pid ]] && drv kill "$helper_pid" >/dev/null 2>&1; helper_pid=""; }
trap 'stop_helper; session_cleanup' EXIT

# The text of the editor's label that follows the label `caption` (its value).
label_after() {
  drv children "$EDITOR_CLASS" "$EDITOR_TITLE" | awk -F'\t' -v cap="$1" 'found { print $5; exit } $5 == cap { found = 1 }'
}

# The screen point at the centre of the editor's control of class $1 and size $2 ("36 36"), from
# `kdriver layout` (the window in screen pixels, the controls relative to its client area).
control_centre() {
  local layout wx wy ww wh cw ch border ox oy line x y w h
  layout=$(drv layout "$EDITOR_CLASS" "$EDITOR_TITLE") || return 1
  read -r wx wy ww wh <<<"$(grep '^window' <<<"$layout" | cut -f2)"
  read -r cw ch <<<"$(grep '^client' <<<"$layout" | cut -f2)"
  # No menu: the borders are equal on the left, right and bottom; the caption adds to the top.
  border=$(((ww - cw) / 2))
  ox=$((wx + border))
  oy=$((wy + wh - ch - border))
  line=$(awk -F'\t' -v cls="$1" -v size="$2" '$1 == cls && $3 ~ (" " size "$") { print $3; exit }' <<<"$layout")
  [[ -n $line ]] || return 1
  read -r x y w h <<<"$line"
  echo "$((ox + x + w / 2)) $((oy + y + h / 2))"
}

close_leftovers

section "drag the cross-hair onto the helper's window"
pid=$(start_program "$work/appdata") || { fail "the program could not be started"; finish; }
[[ -n $(drv wait-visible "$CLASS" "$TITLE" 30000) ]] || { fail "main window visible within 30 s"; finish; }

helper_pid=$(drv start "$helper" --seconds 300 --window "$HELPER_TITLE") || { fail "the helper could not be started"; finish; }
[[ -n $(drv wait-visible "$HELPER_CLASS" "$HELPER_TITLE" 10000) ]] || { fail "the helper's window is shown"; finish; }

drv menu-click "$CLASS" "$TITLE" "Task/Add a Task" >/dev/null || fail "menu command Task/Add a Task"
[[ -n $(drv wait-visible "$EDITOR_CLASS" "$EDITOR_TITLE" 10000) ]] || { fail "the editor is shown"; finish; }
pass "the editor is shown"
# The program list is rebuilt when the editor opens; wait until the cross-hair takes input again.
sleep 1

cross=$(control_centre KestrelonPictureBox "36 36") || { fail "the cross-hair's place in the editor"; finish; }
read -r sx sy <<<"$cross"
read -r hx hy hw hh <<<"$(drv layout "$HELPER_CLASS" "$HELPER_TITLE" | grep '^window' | cut -f2)"
# A point in the helper's window left of the editor (the editor is centred on the screen).
tx=$((hx + 30))
ty=$((hy + hh / 2))
echo "cross-hair at $sx,$sy; helper's window at $hx,$hy ${hw}x$hh; target $tx,$ty"
drv raise "$HELPER_CLASS" "$HELPER_TITLE" >/dev/null

xdotool mousemove "$sx" "$sy"
sleep 0.3
xdotool mousedown 1
sleep 0.5
check "the main window hides while dragging" "0" "$(drv is-visible "$CLASS" "$TITLE")"
for step in 1 2 3 4; do
  xdotool mousemove $((sx + (tx - sx) * step / 4)) $((sy + (ty - sy) * step / 4))
  sleep 0.2
done
sleep 0.5
check "while dragging, the window title caption reads \"Window Title:\"" "Window Title:" \
  "$(drv children "$EDITOR_CLASS" "$EDITOR_TITLE" | awk -F'\t' '$5 == "Window Title:"' | cut -f5 | head -1)"
import -window root "$artifacts/picker_dragging.png" 2>/dev/null && echo "screenshot: $artifacts/picker_dragging.png"
xdotool mouseup 1
sleep 1
# The release rebuilds the program list; let it finish.
poll 15 1 drv is-visible "$EDITOR_CLASS" "$EDITOR_TITLE" >/dev/null

check "lblProcess(1) names the helper's program" "khelper.exe" "$(label_after "Program Name:")"
check "lblID holds the helper's process id" "$helper_pid" "$(label_after "Process ID:")"
check "lblWindow holds the helper's title" "$HELPER_TITLE" \
  "$(drv children "$EDITOR_CLASS" "$EDITOR_TITLE" | awk -F'\t' -v t="$HELPER_TITLE" '$4 == "Static" && $5 == t' | cut -f5)"

section "Add makes a close task of the picked program"
check "set the minutes of the countdown" "10" "$(drv set-near "$EDITOR_CLASS" "$EDITOR_TITLE" "Minute(s)" "10")"
drv click-button "$EDITOR_CLASS" "$EDITOR_TITLE" "Add" || fail "press \"Add\""
poll 5 0 drv is-visible "$EDITOR_CLASS" "$EDITOR_TITLE" && pass "the editor hides after Add" || fail "the editor hides after Add"
check "one row in the task list" "1" "$(drv lv-count "$CLASS" "$TITLE")"
check "the row's Program is the helper's" "khelper.exe" "$(drv lv-text "$CLASS" "$TITLE" 1 2 | tr 'A-Z' 'a-z')"
check "the row's ID is the helper's process id" "$helper_pid" "$(drv lv-text "$CLASS" "$TITLE" 1 4)"
check "the row's Type" "Close - After 00-00-10-00" "$(drv lv-text "$CLASS" "$TITLE" 1 7)"
check "the helper still runs (the task is due in 10 minutes)" "1" "$(drv alive "$helper_pid")"

drv close "$CLASS" "$TITLE" 15000 >/dev/null || fail "WM_CLOSE ends the program"
stop_helper
end_started
finish
