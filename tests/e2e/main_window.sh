#!/usr/bin/env bash
# End-to-end: the real kestrelon.exe under Wine in a virtual X display, driven from outside by
# kdriver.exe. Starts the program with a private APPDATA, checks the main window and its task
# list headers, drives the "After Finish All Tasks" choices through their menu commands, keeps a
# screenshot, and closes the window.
#
# Environment (set by ctest; see the e2e registration in CMakeLists.txt):
#   KESTRELON_EXE        the program          KESTRELON_DRIVER     kdriver.exe
#   KESTRELON_EMULATOR   scripts/wine-emulator.sh (prefix, wineserver, DISPLAY from the Xvfb file)
#   KESTRELON_BUILD_DIR  the build folder     KESTRELON_XVFB_FILE  "<display> <pid>" of the Xvfb
# Run by hand from a build folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/main_window.sh
# (it starts and stops its own Xvfb when the test run's is not there).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(realpath -- "${KESTRELON_BUILD_DIR:-$PWD}")
exe=${KESTRELON_EXE:-$build/kestrelon.exe}
driver=${KESTRELON_DRIVER:-$build/kdriver.exe}
emulator=${KESTRELON_EMULATOR:-$here/../../scripts/wine-emulator.sh}
export KESTRELON_BUILD_DIR=$build

name=main_window
work="$build/e2e/$name"
artifacts="$build/e2e-artifacts"
appdata="$work/appdata"

CLASS=KestrelonMainWindow
TITLE=Kestrelon
AFTER="Setting/After Finish All Tasks"
CHOICES=("Shutdown PC" "Reboot" "Log Off" "Hibernate" "Turn Off the Monitor / Screen" "Quit Kestrelon")

for f in "$exe" "$driver" "$emulator"; do
  [[ -f $f ]] || { echo "missing: $f (build the windows-x64 preset first)"; exit 1; }
done

# --- the virtual display ------------------------------------------------------------------------
own_xvfb=0
xvfb_alive() {
  local display="" pid=""
  [[ -n ${KESTRELON_XVFB_FILE:-} && -s $KESTRELON_XVFB_FILE ]] || return 1
  read -r display pid <"$KESTRELON_XVFB_FILE"
  [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null && export DISPLAY=":$display"
}
if ! xvfb_alive; then
  export KESTRELON_XVFB_FILE="$build/xvfb/display"
  if ! xvfb_alive; then
    bash "$here/../../scripts/xvfb-fixture.sh" start "$build" >/dev/null || { echo "cannot start Xvfb"; exit 1; }
    own_xvfb=1
    xvfb_alive || { echo "Xvfb did not come up"; exit 1; }
  fi
fi

# --- driver and checks --------------------------------------------------------------------------
# The driver runs in the build's Wine prefix; it needs no APPDATA of its own ("wine": no launcher).
drv() { KESTRELON_APPDATA=wine bash "$emulator" "$driver" "$@"; }

failures=0
pass() { echo "ok    $1"; }
fail() { echo "FAIL  $1"; failures=$((failures + 1)); }
# check <what> <expected> <actual>
check() {
  if [[ $2 == "$3" ]]; then pass "$1"; else fail "$1"; echo "      expected: ${2//$'\n'/ | }"; echo "      actual:   ${3//$'\n'/ | }"; fi
}
# The six choices' check marks as "0 1 0 0 0 1", in menu order.
marks() { drv menu-items "$CLASS" "$TITLE" "$AFTER" | cut -f3 | paste -sd' '; }
click() { drv menu-click "$CLASS" "$TITLE" "$AFTER/$1" >/dev/null || fail "menu command \"$1\" could not be sent"; }

pid=""
cleanup() {
  if [[ -n $pid && $(drv alive "$pid" 2>/dev/null) == 1 ]]; then
    echo "note: the program is still running; terminating it"
    drv kill "$pid" >/dev/null 2>&1
  fi
  if ((own_xvfb)); then bash "$here/../../scripts/xvfb-fixture.sh" stop "$build" >/dev/null; fi
}
trap cleanup EXIT

# A window left over from an earlier, interrupted run would be found instead of ours.
if [[ $(drv is-visible "$CLASS" "$TITLE") == 1 ]]; then
  echo "note: closing a Kestrelon window left over from an earlier run"
  drv close "$CLASS" "$TITLE" 5000 >/dev/null || echo "note: it did not close"
fi

rm -rf -- "$work"
mkdir -p -- "$appdata" "$artifacts"

# --- start --------------------------------------------------------------------------------------
pid=$(drv start --appdata "$appdata" "$exe") || { echo "FAIL  the program could not be started"; exit 1; }
echo "started $exe as process $pid (APPDATA $appdata)"

window_pid=$(drv wait-visible "$CLASS" "$TITLE" 30000)
if [[ -z $window_pid ]]; then
  fail "main window \"$TITLE\" ($CLASS) visible within 30 s"
  drv windows | sed 's/^/      /'
  exit 1
fi
check "main window \"$TITLE\" is visible and belongs to the started process" "$pid" "$window_pid"

# --- the task list ------------------------------------------------------------------------------
expected_headers=$'Icon\nProgram\nPath\nID\nClose Time\nLoop\nType\nAfter the Task Finished'
columns=$(drv headers "$CLASS" "$TITLE" --widths)
check "task list has the eight column headers in order" "$expected_headers" "$(cut -f1 <<<"$columns")"

# Design widths in twips, shown at the screen's 15 twips per pixel (Wine reports 96 dpi), give or
# take the rounding of one pixel.
design_twips=(1060 3617 10654 2540 6068 2540 2540 2540)
widths=($(cut -f2 <<<"$columns"))
bad_widths=""
for i in "${!design_twips[@]}"; do
  want=$(( (design_twips[i] * 2 + 15) / 30 ))  # rounded twips / 15
  got=${widths[i]:-none}
  if [[ $got == none ]] || (( got < want - 1 || got > want + 1 )); then
    bad_widths+="column $((i + 1)): ${got} px, design ${design_twips[i]} twips = ${want} px; "
  fi
done
check "task list column widths follow the design widths" "" "$bad_widths"

check "task list is empty with a fresh APPDATA" "0" "$(drv lv-count "$CLASS" "$TITLE")"

# --- "After Finish All Tasks" -------------------------------------------------------------------
check "\"After Finish All Tasks\" offers the six choices in order" \
  "$(printf '%s\n' "${CHOICES[@]}")" "$(drv menu-items "$CLASS" "$TITLE" "$AFTER" | cut -f1)"
check "all six choices start unchecked" "0 0 0 0 0 0" "$(marks)"

click "Shutdown PC"
click "Quit Kestrelon"
check "Shutdown PC + Quit Kestrelon: both ticked" "1 0 0 0 0 1" "$(marks)"

click "Reboot"
check "Reboot while Shutdown PC and Quit are ticked: Reboot and Quit ticked, Shutdown not" \
  "0 1 0 0 0 1" "$(marks)"

click "Reboot"
check "Reboot again: only Quit Kestrelon ticked" "0 0 0 0 0 1" "$(marks)"
check "menu-checked reads the same mark" "1" "$(drv menu-checked "$CLASS" "$TITLE" "$AFTER/Quit Kestrelon")"

# Each power choice clears the other four and leaves the quit choice alone.
click "Turn Off the Monitor / Screen"
check "Turn Off the Monitor: ticked with Quit" "0 0 0 0 1 1" "$(marks)"
click "Log Off"
check "Log Off clears the monitor choice" "0 0 1 0 0 1" "$(marks)"
click "Hibernate"
check "Hibernate clears Log Off" "0 0 0 1 0 1" "$(marks)"
click "Quit Kestrelon"
check "Quit Kestrelon toggles alone" "0 0 0 1 0 0" "$(marks)"
click "Hibernate"
check "a second click on a ticked power choice leaves all off" "0 0 0 0 0 0" "$(marks)"

# --- screenshot ---------------------------------------------------------------------------------
shot="$artifacts/$name.png"
rm -f -- "$shot"
if command -v import >/dev/null && import -window root "$shot" 2>/dev/null; then
  echo "screenshot: $shot"
elif command -v xwd >/dev/null && xwd -root -silent -out "${shot%.png}.xwd" 2>/dev/null; then
  shot="${shot%.png}.xwd"
  echo "screenshot: $shot"
else
  fail "screenshot of the Xvfb screen (import or xwd)"
  shot=""
fi
# A screen of one colour means nothing was drawn.
if [[ -n $shot && $shot == *.png ]] && command -v identify >/dev/null; then
  colours=$(identify -format '%k' "$shot" 2>/dev/null || echo 0)
  if ((colours > 1)); then pass "screenshot shows a drawn window ($colours colours)"; else fail "screenshot is blank"; fi
fi

# --- close --------------------------------------------------------------------------------------
if exit_code=$(drv close "$CLASS" "$TITLE" 15000); then
  pass "WM_CLOSE ends the process (exit code $exit_code)"
else
  fail "WM_CLOSE ends the process within 15 s"
fi
check "no Kestrelon window is left" "0" "$(drv is-visible "$CLASS" "$TITLE")"
check "the started process has ended" "0" "$(drv alive "$pid")"
echo "APPDATA after the run: $(cd "$appdata" && ls -A | paste -sd' ')"

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
