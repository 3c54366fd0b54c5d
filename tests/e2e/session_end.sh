#!/usr/bin/env bash
# End-to-end: the end of the Windows session. The program is started with no files, "Setting/Auto
# Load the Task List" is ticked with the mouse's menu command, a run task is added in the editor,
# and then the session ends (`wineboot --end-session`, which sends WM_QUERYENDSESSION and
# WM_ENDSESSION to every window, as Windows does at shut-down, restart and log-off). Afterwards
# default.ktf holds the task, knsetting.ini the setting, no question or box was shown, and no
# process of the program is left.
#
# Then the session ends while the program starts (the autostart case: a log-off right after
# log-on), with auto-load on and a task list of one row: the two messages sent to the main window
# at the first moment it exists, `wineboot --end-session` run then, and both 0.2 s after the
# launch. Nothing may be written before start-up has read the files: afterwards both files are
# untouched (same bytes, same modification time) and no process of the program is left.
#
# The session ends for every program of the prefix, so the script uses a prefix of its own
# (<build>/session, a copy of the build's), whose server it stops at the end.
# Run by hand from a build folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/session_end.sh
set -uo pipefail
name=session_end
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib/session.bash"

helper="$build/khelper.exe"
[[ -f $helper ]] || { echo "missing: $helper"; exit 1; }

dir="$build/session"
mkdir -p -- "$dir"
[[ -f $build/wine-launch.exe ]] && ln -sf "$build/wine-launch.exe" "$dir/wine-launch.exe"
drvs() { KESTRELON_BUILD_DIR=$dir KESTRELON_APPDATA=wine bash "$emulator" "$driver" "$@"; }
trap 'stop_dpi_server "$dir"; session_cleanup' EXIT

appdata="$work/appdata"
rm -rf -- "$work"
mkdir -p -- "$appdata"

pid=$(drvs start --appdata "$appdata" "$exe") || { fail "the program could not be started"; finish; }
[[ -n $(drvs wait-visible "$CLASS" "$TITLE" 30000) ]] || { fail "main window visible within 30 s"; finish; }

section "a setting changed and a task added"
drvs menu-click "$CLASS" "$TITLE" "Setting/Auto Load the Task List" >/dev/null || fail "click \"Auto Load the Task List\""
check "\"Auto Load the Task List\" is ticked" "1" "$(drvs menu-checked "$CLASS" "$TITLE" "Setting/Auto Load the Task List")"
drvs menu-click "$CLASS" "$TITLE" "Task/Add a Task" >/dev/null || fail "menu command Task/Add a Task"
if [[ -n $(drvs wait-visible "$EDITOR_CLASS" "$EDITOR_TITLE" 10000) ]]; then
  drvs set-near "$EDITOR_CLASS" "$EDITOR_TITLE" "Auto Type:" "$RUN_TYPE" >/dev/null
  command_line="$(sed 's|/|\\|g; s|^|Z:|' <<<"$helper") --seconds 0 session-e2e"
  drvs set-near "$EDITOR_CLASS" "$EDITOR_TITLE" "Command Line:" "$command_line" >/dev/null
  check "a countdown of 30 minutes" "30" "$(drvs set-near "$EDITOR_CLASS" "$EDITOR_TITLE" "Minute(s)" "30")"
  drvs click-button "$EDITOR_CLASS" "$EDITOR_TITLE" "Add" || fail "press \"Add\""
  poll 5 0 drvs is-visible "$EDITOR_CLASS" "$EDITOR_TITLE" || fail "the editor hides after Add"
else
  fail "the editor is shown by Task/Add a Task"
fi
check "one row in the task list" "1" "$(drvs lv-count "$CLASS" "$TITLE")"
check "nothing written yet: no task list" "no" "$([[ -e $appdata/default.ktf ]] && echo yes || echo no)"
check "nothing written yet: no settings file" "no" "$([[ -e $appdata/knsetting.ini ]] && echo yes || echo no)"

# check_ended <pid> <prefix>: the program ends within 15 s (killed if not) and leaves no window.
check_ended() {
  local ended=no
  for _ in $(seq 1 150); do
    [[ $(drvs alive "$1" 2>/dev/null) == 0 ]] && { ended=yes; break; }
    sleep 0.1
  done
  check "$2the program has ended" "yes" "$ended"
  [[ $ended == yes ]] || drvs kill "$1" >/dev/null 2>&1
  check "$2no window of the program is left" "0" "$(drvs windows | awk -F'\t' -v pid="$1" '$2 == pid' | wc -l)"
}

section "the session ends"
(
  export WINEPREFIX="$dir/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  timeout 60 /usr/lib/wine/wine64 wineboot --end-session
) </dev/null >/dev/null 2>&1 9>&-
check_ended "$pid" ""
check "default.ktf holds the task" "khelper.exe --seconds 0 session-e2e	Run - After 00-00-30-00" \
  "$(tr -d '\r' <"$appdata/default.ktf" 2>/dev/null | awk -F'\t' '{ print $1 "\t" $6 }')"
check "knsetting.ini holds auto-load on" "1" "$(sed -n 1p "$appdata/knsetting.ini" 2>/dev/null | tr -d '\r')"
check "knsetting.ini has its eight lines" "8" "$(tr -d '\r' <"$appdata/knsetting.ini" 2>/dev/null | wc -l)"

section "the session ends while the program starts"
row=$'kept.exe\tC:\\kept.exe\t00000\t2030/01/01 10:00:00\tNone\tClose - Normal\t\r\n'
for how in messages wineboot; do
  for when in first 200; do
    early="$work/early-$how-$when"
    mkdir -p -- "$early"
    settings_text 1 0 0 0 0 0 0 0 >"$early/knsetting.ini"
    printf '%s' "$row" >"$early/default.ktf"
    touch -d '2026-01-01 12:00:00' "$early/knsetting.ini" "$early/default.ktf"
    before=$(fingerprint "$early")
    what="$how, $([[ $when == first ]] && echo "the window just made" || echo "0.2 s after the launch")"
    out=$(drvs end-session "$how" "$when" "$CLASS" --appdata "$early" "$exe") || fail "$what: the driver could not do it"
    epid=$(head -n1 <<<"$out")
    echo "      $(sed -n 2p <<<"$out")"
    check_ended "$epid" "$what: "
    check "$what: knsetting.ini and default.ktf untouched" "$before" "$(fingerprint "$early")"
  done
done
finish
