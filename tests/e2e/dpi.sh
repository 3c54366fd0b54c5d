#!/usr/bin/env bash
# End-to-end: the two windows at 96, 120 and 144 dots per inch. For each setting:
#   - the Win32 layout tests (tests/win32/layout_test.cpp: no overlaps but the designed ones,
#     every caption fits in each of the nine languages, every command button shows its picture,
#     the web link) run again in a Wine prefix whose LogPixels is that setting (96: the build's
#     own prefix, where ctest has run them already);
#   - the real kestrelon.exe is started there and screenshots are kept as test artifacts:
#       main_<dpi>dpi_picture.png  the first start: the quick-start picture lies over the list whole
#       main_<dpi>dpi_empty.png    after a click on the picture: the empty list, the buttons' pictures
#       main_<dpi>dpi_rows.png     a start with an auto-loaded task list of three rows
#       editor_<dpi>dpi_idle.png   the task editor as "Add a Task" shows it
#       editor_<dpi>dpi_drag.png   the editor during a cross-hair drag (shortened, frame drawn)
#       editor_120dpi_fr.png, editor_120dpi_de.png   at 120 only: the editor of a start in French,
#                                  and in German (the languages with the longest captions)
#   - the window keeps its 96-dpi pixel size and is centred when first shown;
#   - the editor's close command during a drag (what Alt+F4 and the close box send) hides it and
#     the next "Add a Task" shows it whole, with both list buttons.
# The 120 and 144 dpi prefixes are folders of their own (<build>/dpi120, <build>/dpi144), made
# once; the build's prefix stays at 96 dpi for the other tests.
#
# Environment as for every e2e script (see tests/e2e/main_window.sh). Run by hand from a build
# folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/dpi.sh
set -uo pipefail

name=dpi
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib/session.bash"

EDITOR_CLASS=KestrelonEditorWindow
EDITOR_TITLE="Add a Task"
tests_exe="$build/win32_tests.exe"
command -v xdotool >/dev/null || { echo "xdotool is missing"; exit 1; }

# Three tasks due long after any test run.
TASKS=$'Empty\tNone\tNone\t2090/12/31 23:59:00\tNone\tClose - Normal\tShutdown PC\r\n'
TASKS+=$'notepad.exe\tC:\\windows\\notepad.exe\t00000\t2090/12/31 23:58:00\tEvery Day\tClose - Normal\t\r\n'
TASKS+=$'cmd.exe\tC:\\windows\\system32\\cmd.exe /c exit\tNone\t2090/12/30 08:00:00\tNone\tRun - Normal\t - Q\r\n'

rm -rf -- "$work"
mkdir -p -- "$work" "$artifacts"
close_leftovers
# The programs of the 120 and 144 dpi prefixes end with those prefixes' servers (their process ids
# mean nothing in the build's prefix, so they are not in `started`).
trap 'session_cleanup; stop_dpi_server "$build/dpi120"; stop_dpi_server "$build/dpi144"' EXIT
track() { [[ $dpi == 96 ]] && started+=("$1"); return 0; }

# screenshot <file> <x y w h>: that part of the Xvfb screen.
screenshot() {
  local file=$1 x y w h colours
  read -r x y w h <<<"$2"
  rm -f -- "$file"
  if import -window root -crop "${w}x${h}+${x}+${y}" +repage "$file" 2>/dev/null; then
    colours=$(identify -format '%k' "$file" 2>/dev/null || echo 0)
    if ((colours > 1)); then pass "screenshot $(basename "$file")"; else fail "screenshot $(basename "$file") is blank"; fi
  else
    fail "screenshot $(basename "$file") (ImageMagick import)"
  fi
}
window_rect() { d layout "$1" "$2" | awk -F'\t' '$1 == "window" { print $2 }'; }

# editor_in_language <code> <Cancel caption>: a start whose marker file chooses that language;
# "Add a Task" (its menu command, whatever the menu's words) shows the editor, which is kept as
# editor_<dpi>dpi_<code>.png once its buttons carry the language's words.
editor_in_language() {
  local code=$1 cancel=$2 appdata="$work/appdata${dpi}_$1" pid
  mkdir -p -- "$appdata"
  printf '%s\r\n' "$code" >"$appdata/kn$code.dat"
  pid=$(d start --appdata "$appdata" "$exe") || { fail "$dpi dpi, $code: the program could not be started"; return; }
  track "$pid"
  if [[ -z $(d wait-visible "$CLASS" "$TITLE" 30000) ]]; then
    fail "$dpi dpi, $code: main window visible"
    d kill "$pid" >/dev/null 2>&1
    return
  fi
  d post "$CLASS" "$TITLE" 0x111 "$add_id" 0 >/dev/null  # WM_COMMAND
  if [[ -n $(d wait-visible "$EDITOR_CLASS" "$EDITOR_TITLE" 10000) ]]; then
    sleep 1  # the program list is rebuilt
    check "$dpi dpi, $code: the editor speaks the language" "1" \
      "$(d layout "$EDITOR_CLASS" "$EDITOR_TITLE" | awk -F'\t' -v c="$cancel" '$1 == "Button" && $2 == c { n++ } END { print n + 0 }')"
    d raise "$EDITOR_CLASS" "$EDITOR_TITLE" >/dev/null
    sleep 0.3
    screenshot "$artifacts/editor_${dpi}dpi_${code}.png" "$(window_rect "$EDITOR_CLASS" "$EDITOR_TITLE")"
    d post "$EDITOR_CLASS" "$EDITOR_TITLE" 0x112 0xF060 0 >/dev/null  # WM_SYSCOMMAND, SC_CLOSE
  else
    fail "$dpi dpi, $code: the editor is shown"
  fi
  d close "$CLASS" "$TITLE" 15000 >/dev/null || fail "$dpi dpi, $code: WM_CLOSE ends the program"
}

for dpi in 96 120 144; do
  section "$dpi dots per inch"
  dir=$(dpi_build "$dpi")
  d() { KESTRELON_BUILD_DIR=$dir KESTRELON_APPDATA=wine bash "$emulator" "$driver" "$@"; }

  # --- the layout tests on the program's own windows ------------------------------------------
  if [[ $dpi != 96 ]]; then
    if out=$(KESTRELON_BUILD_DIR=$dir KESTRELON_TEST_DPI=$dpi bash "$emulator" "$tests_exe" \
      --gtest_filter='LayoutTest.*:Languages/LanguageLayoutTest.*:EditorTest.EveryControlSitsAtItsDesignRectangleScaledByTheScreen' 2>&1); then
      pass "$dpi dpi: $(grep -c '^\[       OK' <<<"$out") layout tests pass"
    else
      fail "$dpi dpi: layout tests"
      grep -E 'Failure|Which is|FAILED|Expected|evaluates' <<<"$out" | head -40 | sed 's/^/      /'
    fi
  fi

  # --- main window: the quick-start picture, then empty ------------------------------------------
  appdata="$work/appdata$dpi"
  mkdir -p -- "$appdata"
  pid=$(d start --appdata "$appdata" "$exe") || { fail "$dpi dpi: the program could not be started"; continue; }
  track "$pid"
  if [[ -z $(d wait-visible "$CLASS" "$TITLE" 30000) ]]; then
    fail "$dpi dpi: main window visible"
    d kill "$pid" >/dev/null 2>&1
    stop_dpi_server "$dir"
    continue
  fi
  sleep 0.5
  rect=$(window_rect "$CLASS" "$TITLE")
  read -r x y w h <<<"$rect"
  check "$dpi dpi: the main window keeps its 96-dpi size (928 by 562 pixels)" "928 562" "$w $h"
  check "$dpi dpi: the main window is centred on the 1280 by 800 screen" "1 1" \
    "$(( x + w / 2 >= 639 && x + w / 2 <= 641 )) $(( y + h / 2 >= 370 && y + h / 2 <= 401 ))"
  d raise "$CLASS" "$TITLE" >/dev/null
  sleep 0.3
  screenshot "$artifacts/main_${dpi}dpi_picture.png" "$rect"
  # A click on the quick-start picture hides it.
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
  sleep 0.5
  screenshot "$artifacts/main_${dpi}dpi_empty.png" "$rect"

  # --- the editor: idle, then during a drag ------------------------------------------------------
  add_id=$(d menu-click "$CLASS" "$TITLE" "Task/Add a Task") || fail "$dpi dpi: Task/Add a Task"
  if [[ -n $(d wait-visible "$EDITOR_CLASS" "$EDITOR_TITLE" 10000) ]]; then
    sleep 1  # the program list is rebuilt
    erect=$(window_rect "$EDITOR_CLASS" "$EDITOR_TITLE")
    d raise "$EDITOR_CLASS" "$EDITOR_TITLE" >/dev/null
    sleep 0.3
    screenshot "$artifacts/editor_${dpi}dpi_idle.png" "$erect"
    full_height=$(cut -d' ' -f4 <<<"$erect")
    # The cross-hair: 1200, 990 twips from the client area's corner (80, 66 pixels at any setting).
    client=$(d layout "$EDITOR_CLASS" "$EDITOR_TITLE" | awk -F'\t' '$1 == "client" { print $2 }')
    read -r ex ey ew eh <<<"$erect"
    read -r cw ch <<<"$client"
    border=$(( (ew - cw) / 2 ))
    cx=$((ex + border + 98)) cy=$((ey + eh - border - ch + 84))
    xdotool mousemove "$cx" "$cy" mousedown 1
    sleep 0.3
    xdotool mousemove $((ex + ew / 2)) $((ey + 30))  # over the editor's own title bar
    sleep 0.5
    drect=$(window_rect "$EDITOR_CLASS" "$EDITOR_TITLE")
    dh=$(cut -d' ' -f4 <<<"$drect")
    if ((dh < full_height)); then pass "$dpi dpi: the drag shortens the editor"; else fail "$dpi dpi: the drag shortens the editor ($dh, full $full_height)"; fi
    screenshot "$artifacts/editor_${dpi}dpi_drag.png" "$drect"
    # Alt+F4 (and the close box) send the close command; the picker is left as Cancel leaves it.
    d post "$EDITOR_CLASS" "$EDITOR_TITLE" 0x112 0xF060 0 >/dev/null  # WM_SYSCOMMAND, SC_CLOSE
    poll 5 0 d is-visible "$EDITOR_CLASS" "$EDITOR_TITLE" && pass "$dpi dpi: the close command during a drag hides the editor" ||
      fail "$dpi dpi: the close command during a drag hides the editor"
    xdotool mouseup 1
    check "$dpi dpi: the main window is back" "1" "$(d is-visible "$CLASS" "$TITLE")"
    d menu-click "$CLASS" "$TITLE" "Task/Add a Task" >/dev/null
    if [[ -n $(d wait-visible "$EDITOR_CLASS" "$EDITOR_TITLE" 10000) ]]; then
      # Read once the editor is whole (the program list is being rebuilt meanwhile).
      for _ in $(seq 50); do
        layout=$(d layout "$EDITOR_CLASS" "$EDITOR_TITLE" 2>/dev/null)
        h2=$(awk -F'\t' '$1 == "window" { split($2, a, " "); print a[4] }' <<<"$layout")
        [[ -n $h2 ]] && ((h2 > dh)) && break
        sleep 0.1
      done
      if ((h2 > dh)); then pass "$dpi dpi: the editor shows whole again"; else fail "$dpi dpi: the editor shows whole again ($h2)"; fi
      check "$dpi dpi: both list buttons are back" "2" \
        "$(awk -F'\t' '$1 == "Button" && $2 == "" { n++ } END { print n + 0 }' <<<"$layout")"
      d click-button "$EDITOR_CLASS" "$EDITOR_TITLE" "Cancel" >/dev/null
    else
      fail "$dpi dpi: the editor opens again after the close"
    fi
  else
    fail "$dpi dpi: the editor is shown"
  fi
  d close "$CLASS" "$TITLE" 15000 >/dev/null || fail "$dpi dpi: WM_CLOSE ends the program"

  # --- main window with rows -----------------------------------------------------------------------
  rows="$work/rows$dpi"
  mkdir -p -- "$rows"
  printf '%s' "$TASKS" >"$rows/default.ktf"
  settings_text 1 0 0 0 0 0 0 0 >"$rows/knsetting.ini"  # auto-load on
  pid=$(d start --appdata "$rows" "$exe") && track "$pid"
  if [[ -n $(d wait-visible "$CLASS" "$TITLE" 30000) ]]; then
    poll 10 3 d lv-count "$CLASS" "$TITLE" && pass "$dpi dpi: three rows loaded" || fail "$dpi dpi: three rows loaded"
    d raise "$CLASS" "$TITLE" >/dev/null
    sleep 0.5
    screenshot "$artifacts/main_${dpi}dpi_rows.png" "$(window_rect "$CLASS" "$TITLE")"
    d close "$CLASS" "$TITLE" 15000 >/dev/null || fail "$dpi dpi: WM_CLOSE ends the program with rows"
  else
    fail "$dpi dpi: main window with rows visible"
  fi
  # --- the editor in the two languages with the longest captions ----------------------------------
  if [[ $dpi == 120 && -n ${add_id:-} ]]; then
    editor_in_language fr Annuler
    editor_in_language de Abbrechen
  fi
  end_started
  stop_dpi_server "$dir"
done

finish
