#!/usr/bin/env bash
# End-to-end: starting and ending kestrelon.exe under Wine and Xvfb, driven by kdriver.exe.
#   1. a second start ends at once; the first keeps running and the APPDATA files stay as they were
#   2. with knstartm.ini the main window stays hidden until the tray icon reports a left
#      double-click (other mouse messages on the icon do nothing)
#   3. "Exit" with tasks in the list asks: Cancel keeps everything, OK saves and ends
#   4. closing the window with tasks never asks, and saves
# Each case has its own APPDATA folder under <build>/e2e/startup/.
# Run by hand from a build folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/startup.sh
set -uo pipefail
name=startup
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.bash"

# Two tasks due long after any test run: start-up loads them, the scheduler leaves them alone.
TASKS=$'notepad.exe\tC:\\windows\\notepad.exe\t00000\t2090/12/31 23:59:00\tNone\tClose - Normal\t\r\n'
TASKS+=$'cmd.exe\tC:\\windows\\system32\\cmd.exe /c exit\t00000\t2090/12/31 23:58:00\tNone\tRun - Normal\t\r\n'

# A folder with the auto-loaded task list: new_appdata <case>  -> folder
new_appdata() {
  local dir="$work/$1"
  rm -rf -- "$dir" && mkdir -p -- "$dir"
  printf '%s' "$TASKS" >"$dir/default.ktf"
  settings_text 1 0 0 0 0 0 0 0 >"$dir/knsetting.ini"  # auto-load on
  echo "$dir"
}

# Waits for our main window; fails the case when it does not appear.
wait_main() {  # wait_main <pid> <what>
  local shown
  shown=$(drv wait-visible "$CLASS" "$TITLE" 30000)
  check "$2" "$1" "$shown"
  [[ $shown == "$1" ]] || { drv windows | sed 's/^/      /'; return 1; }
}

# The saved settings file: 24 bytes, auto-load kept, autostart as the menu showed it, the six
# final choices clear.
check_saved() {  # check_saved <appdata> <autostart mark> <what>
  local file="$1/knsetting.ini"
  check "$3: knsetting.ini is 24 bytes" "24" "$(stat -c %s -- "$file" 2>/dev/null || echo missing)"
  check "$3: knsetting.ini holds auto-load, autostart and six clear choices" \
    "$(settings_text 1 "$2" 0 0 0 0 0 0 | od -An -c)" "$(od -An -c <"$file" 2>/dev/null)"
  check "$3: default.ktf holds the two rows" "$TASKS_X" "$(cat -- "$1/default.ktf" 2>/dev/null; printf x)"
}
# The comparison above appends an "x" to keep the final CR LF through $(...).
TASKS_X="${TASKS}x"

rm -rf -- "$work"
mkdir -p -- "$work" "$artifacts"
close_leftovers

# --- 1. a second instance -----------------------------------------------------------------------
section "a second start while the program runs"
appdata=$(new_appdata second)
first=$(start_program "$appdata") || { fail "the program could not be started"; finish; }
if wait_main "$first" "first instance: main window visible"; then
  poll 10 2 drv lv-count "$CLASS" "$TITLE" || fail "first instance: the two tasks were loaded"
  before=$(fingerprint "$appdata")
  second=$(start_program "$appdata")
  if [[ -z $second ]]; then
    fail "second instance could be started"
  else
    code=$(drv wait-exit "$second" 10000)
    if [[ -n $code ]]; then pass "second instance ends by itself (exit code $code)"; else fail "second instance ends within 10 s"; fi
    check "second instance showed no window and no tray window" "0 0" \
      "$(windows_of "$CLASS" "$second") $(windows_of "$TRAY_CLASS" "$second")"
  fi
  check "first instance still running" "1" "$(drv alive "$first")"
  check "first instance still owns the only main window" "$first" "$(drv wait-visible "$CLASS" "$TITLE" 1000)"
  check "first instance still has its tray window" "1" "$(windows_of "$TRAY_CLASS" "$first")"
  check "first instance still lists its two tasks" "2" "$(drv lv-count "$CLASS" "$TITLE")"
  check "APPDATA files untouched (size, mtime, checksum)" "$before" "$(fingerprint "$appdata")"
  drv close "$CLASS" "$TITLE" 15000 >/dev/null || fail "first instance ends on WM_CLOSE"
fi
end_started

# --- 2. start hidden ----------------------------------------------------------------------------
section "start with knstartm.ini: hidden until the tray icon is double-clicked"
appdata="$work/hidden"
mkdir -p -- "$appdata"
: >"$appdata/knstartm.ini"  # only its presence counts: an empty marker is enough
pid=$(start_program "$appdata") || { fail "the program could not be started"; finish; }
# Start-up has applied the start mode once "Hide to Tray" carries its mark, and the tray
# window then exists; the main window exists (hidden) from the start.
if poll 30 1 drv menu-checked "$CLASS" "$TITLE" "Setting/Start Mode/Hide to Tray"; then
  pass "start-up applied the hidden start mode"
  check "\"Normal\" is not checked" "0" "$(drv menu-checked "$CLASS" "$TITLE" "Setting/Start Mode/Normal")"
  check "the tray window exists" "1" "$(windows_of "$TRAY_CLASS" "$pid")"
  hidden_ok=1
  for _ in 1 2 3 4 5; do
    [[ $(drv is-visible "$CLASS" "$TITLE") == 0 ]] || hidden_ok=0
    sleep 0.2
  done
  check "main window stays hidden after start-up" "1" "$hidden_ok"
  # Mouse messages of the icon other than a left double-click: move, left down/up, right
  # down/up, right double-click, middle click.
  for m in 0x200 0x201 0x202 0x204 0x205 0x206 0x207 0x208; do
    drv post "$TRAY_CLASS" - 0x200 1 "$m" || fail "post tray callback $m"
  done
  check "moves and single clicks on the icon leave the window hidden" "0" "$(drv is-visible "$CLASS" "$TITLE")"
  check "program still running" "1" "$(drv alive "$pid")"
  drv post "$TRAY_CLASS" - 0x200 1 0x203 || fail "post tray callback 0x203"
  check "left double-click on the icon shows the main window" "$pid" "$(drv wait-visible "$CLASS" "$TITLE" 5000)"
  drv close "$CLASS" "$TITLE" 15000 >/dev/null || fail "the program ends on WM_CLOSE"
  check "the marker is kept" "1" "$([[ -f $appdata/knstartm.ini ]] && echo 1 || echo 0)"
else
  fail "start-up applied the hidden start mode (\"Hide to Tray\" checked) within 30 s"
  drv windows | sed 's/^/      /'
fi
end_started

# --- 3. Exit with tasks -------------------------------------------------------------------------
section "\"Exit\" with tasks asks first"
appdata=$(new_appdata exit)
pid=$(start_program "$appdata") || { fail "the program could not be started"; finish; }
if wait_main "$pid" "main window visible"; then
  poll 10 2 drv lv-count "$CLASS" "$TITLE" || fail "auto-load put the two tasks in the list"
  check "first row is the notepad task" "notepad.exe" "$(drv lv-text "$CLASS" "$TITLE" 1 2)"
  autostart=$(drv menu-checked "$CLASS" "$TITLE" "Setting/Auto Start on Windows Booting")
  before=$(fingerprint "$appdata")

  drv click-button "$CLASS" "$TITLE" "Exit" || fail "click \"Exit\""
  question=$(drv dialog-text "$CLASS" "$TITLE" 5000)
  check "Exit asks under the title \"Exit\"" "Exit" "$(head -n1 <<<"$question")"
  check "the question warns about the tasks" "1" \
    "$(grep -c "There are still tasks in the list" <<<"$question")"
  drv dialog-answer "$CLASS" "$TITLE" 2 5000 || fail "answer Cancel"
  check "Cancel: still running" "1" "$(drv alive "$pid")"
  check "Cancel: main window still visible" "1" "$(drv is-visible "$CLASS" "$TITLE")"
  check "Cancel: both rows still listed" "2" "$(drv lv-count "$CLASS" "$TITLE")"
  check "Cancel: no file written" "$before" "$(fingerprint "$appdata")"

  drv click-button "$CLASS" "$TITLE" "Exit" || fail "click \"Exit\" again"
  drv dialog-answer "$CLASS" "$TITLE" 1 5000 || fail "answer OK"
  # The program may be gone before the driver looks for it: that is an end too.
  if code=$(drv wait-exit "$pid" 15000); then pass "OK: the program ends (exit code $code)"
  elif [[ $(drv alive "$pid") == 0 ]]; then pass "OK: the program ends (gone before the driver looked)"
  else fail "OK: the program ends within 15 s"; fi
  check_saved "$appdata" "$autostart" "OK"
  check "OK: no tray window left" "0" "$(windows_of "$TRAY_CLASS" "$pid")"
fi
end_started

# --- 4. closing the window with tasks -----------------------------------------------------------
section "closing the window with tasks never asks"
appdata=$(new_appdata close)
pid=$(start_program "$appdata") || { fail "the program could not be started"; finish; }
if wait_main "$pid" "main window visible"; then
  poll 10 2 drv lv-count "$CLASS" "$TITLE" || fail "auto-load put the two tasks in the list"
  autostart=$(drv menu-checked "$CLASS" "$TITLE" "Setting/Auto Start on Windows Booting")
  if code=$(drv close "$CLASS" "$TITLE" 15000); then
    pass "WM_CLOSE ends the program without a question (exit code $code)"
  else
    fail "WM_CLOSE ends the program within 15 s"
    check "no dialog was opened" "0" "$(dialogs_of "$pid")"
  fi
  check_saved "$appdata" "$autostart" "WM_CLOSE"
fi
end_started

finish
