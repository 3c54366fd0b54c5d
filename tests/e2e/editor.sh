#!/usr/bin/env bash
# End-to-end: the task editor. The driver opens it with the menu "Task/Add a Task", chooses a run
# task, types the command line of the test helper, sets an 8-second countdown (time enough to read
# the row on a busy machine) and presses "Add". The row appears in the task list, the helper
# starts about eight seconds later, and the one-shot row is gone. Screenshots of the editor are kept at 96 dpi and, in a prefix of its own whose
# LogPixels is 120, at 120 dpi, where the editor must show the same pixel layout (0.8 times the
# design twips).
#
# Environment as for every e2e script (see tests/e2e/main_window.sh). Run by hand from a build
# folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/editor.sh
set -uo pipefail

name=editor
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib/session.bash"

EDITOR_CLASS=KestrelonEditorWindow
EDITOR_TITLE="Add a Task"
RUN_TYPE="Auto Run Task - Run a Program at a specific time"
helper="$build/khelper.exe"
[[ -f $helper ]] || { echo "missing: $helper"; exit 1; }

rm -rf -- "$work/appdata" "$work/appdata120" "$work/helper.out"
mkdir -p -- "$work/appdata" "$work/appdata120" "$artifacts"

# screenshot <file> <window line of `kdriver layout`>: the editor's part of the Xvfb screen.
screenshot() {
  local file=$1 x y w h
  read -r x y w h <<<"$2"
  rm -f -- "$file"
  if command -v import >/dev/null && import -window root -crop "${w}x${h}+${x}+${y}" +repage "$file" 2>/dev/null; then
    echo "screenshot: $file"
    local colours
    colours=$(identify -format '%k' "$file" 2>/dev/null || echo 0)
    if ((colours > 1)); then pass "screenshot $(basename "$file") shows a drawn window"; else fail "screenshot $(basename "$file") is blank"; fi
  else
    fail "screenshot $(basename "$file") (ImageMagick import)"
  fi
}

# open_editor <driver function>: "Task/Add a Task", then waits for the editor.
open_editor() {
  "$1" menu-click "$CLASS" "$TITLE" "Task/Add a Task" >/dev/null || { fail "menu command Task/Add a Task"; return 1; }
  if [[ -z $("$1" wait-visible "$EDITOR_CLASS" "$EDITOR_TITLE" 10000) ]]; then
    fail "the editor \"$EDITOR_TITLE\" is shown by Task/Add a Task"
    echo "      (the main window's \"Add a Task\" command has to show the editor)"
    return 1
  fi
  pass "Task/Add a Task shows the editor"
}

close_leftovers

# --- 96 dpi: add a run task and watch it fire -----------------------------------------------------
section "add a run task with an 8-second countdown"
pid=$(start_program "$work/appdata") || { fail "the program could not be started"; finish; }
[[ -n $(drv wait-visible "$CLASS" "$TITLE" 30000) ]] || { fail "main window visible within 30 s"; finish; }
check "the task list starts empty" "0" "$(drv lv-count "$CLASS" "$TITLE")"

if open_editor drv; then
  layout96=$(drv layout "$EDITOR_CLASS" "$EDITOR_TITLE")
  printf '%s\n' "$layout96" >"$artifacts/editor_96dpi_layout.txt"
  check "the editor's client area is 738 by 617 pixels (11070 by 9255 twips)" "client	738 617" \
    "$(grep '^client' <<<"$layout96")"
  drv raise "$EDITOR_CLASS" "$EDITOR_TITLE"
  screenshot "$artifacts/editor_96dpi.png" "$(grep '^window' <<<"$layout96" | cut -f2)"

  check "choose a run task" "$RUN_TYPE" "$(drv set-near "$EDITOR_CLASS" "$EDITOR_TITLE" "Auto Type:" "$RUN_TYPE")"
  command_line="$(drv set-near "$EDITOR_CLASS" "$EDITOR_TITLE" "Command Line:" \
    "$(sed 's|/|\\|g; s|^|Z:|' <<<"$helper") --out $work/helper.out editor-e2e")"
  check "type the helper's command line beside \"Command Line:\"" "Z:" "${command_line:0:2}"
  check "set the seconds of the countdown" "08" "$(drv set-near "$EDITOR_CLASS" "$EDITOR_TITLE" "Second(s)" "08")"

  added=$SECONDS
  drv click-button "$EDITOR_CLASS" "$EDITOR_TITLE" "Add" || fail "press \"Add\""
  poll 5 0 drv is-visible "$EDITOR_CLASS" "$EDITOR_TITLE" && pass "the editor hides after Add" || fail "the editor hides after Add"
  check "the main window is visible" "1" "$(drv is-visible "$CLASS" "$TITLE")"
  check "one row in the task list" "1" "$(drv lv-count "$CLASS" "$TITLE")"
  check "the row's Program is the helper with its arguments" \
    "khelper.exe --out $work/helper.out editor-e2e" "$(drv lv-text "$CLASS" "$TITLE" 1 2)"
  check "the row's ID" "None" "$(drv lv-text "$CLASS" "$TITLE" 1 4)"
  check "the row's Type" "Run - After 00-00-00-08" "$(drv lv-text "$CLASS" "$TITLE" 1 7)"
  check "the row's Loop" "None" "$(drv lv-text "$CLASS" "$TITLE" 1 6)"

  started_after=""
  end=$((SECONDS + 20))
  while ((SECONDS < end)); do
    if [[ -s $work/helper.out ]]; then started_after=$((SECONDS - added)); break; fi
    sleep 0.1
  done
  if [[ -n $started_after ]]; then
    pass "the helper started (about ${started_after} s after Add)"
    # Not a timing test: only "not at once" is checked; the figure is printed above.
    ((started_after >= 6)) && pass "the helper waited for its countdown" || fail "the helper started before its countdown ran out"
    helper_pid=$(cut -f1 "$work/helper.out" | head -1)
    check "the helper got its arguments" "--out $work/helper.out editor-e2e" "$(cut -f2 "$work/helper.out" | head -1)"
    [[ -n $helper_pid ]] && drv kill "$helper_pid" >/dev/null 2>&1
  else
    fail "the helper started within 20 s"
  fi
  poll 5 0 drv lv-count "$CLASS" "$TITLE" && pass "the one-shot row is gone" || fail "the one-shot row is gone"
fi
drv close "$CLASS" "$TITLE" 15000 >/dev/null || fail "WM_CLOSE ends the program"
end_started

# --- 120 dpi: the same layout in pixels, in a prefix of its own ------------------------------------
section "the editor at 120 dpi"
dir120=$(dpi_build 120)  # a prefix of its own: the build's prefix stays at 96 dpi for other tests
drv120() { KESTRELON_BUILD_DIR=$dir120 KESTRELON_APPDATA=wine bash "$emulator" "$driver" "$@"; }

pid120=$(drv120 start --appdata "$work/appdata120" "$exe") || { fail "the program could not be started at 120 dpi"; finish; }
if [[ -n $(drv120 wait-visible "$CLASS" "$TITLE" 30000) ]] && open_editor drv120; then
  layout120=$(drv120 layout "$EDITOR_CLASS" "$EDITOR_TITLE")
  printf '%s\n' "$layout120" >"$artifacts/editor_120dpi_layout.txt"
  drv120 raise "$EDITOR_CLASS" "$EDITOR_TITLE"
  sleep 0.3
  screenshot "$artifacts/editor_120dpi.png" "$(grep '^window' <<<"$layout120" | cut -f2)"
  # Every position and size is 0.8 times its design twips at 12 twips per pixel: the same pixels.
  # Compared by class and rectangle: the texts include the time of loading. The list header is
  # left out: its width follows the list's scroll bar, which Wine draws wider at 120 dpi.
  check "the editor's controls sit at the same pixels at 120 dpi as at 96 dpi" \
    "$(grep -v -e '^window' -e '^SysHeader32' <<<"${layout96:-}" | cut -f1,3)" \
    "$(grep -v -e '^window' -e '^SysHeader32' <<<"$layout120" | cut -f1,3)"
fi
drv120 close "$CLASS" "$TITLE" 15000 >/dev/null || { fail "WM_CLOSE ends the program at 120 dpi"; drv120 kill "$pid120" >/dev/null 2>&1; }
stop_dpi_server "$dir120"

finish
