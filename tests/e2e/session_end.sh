#!/usr/bin/env bash
# End-to-end: the end of the Windows session. The program is started with no files, "Setting/Auto
# Load the Task List" is ticked with the mouse's menu command, a run task is added in the editor,
# and then the session ends (`wineboot --end-session`, which sends WM_QUERYENDSESSION and
# WM_ENDSESSION to every window, as Windows does at shut-down, restart and log-off). Afterwards
# default.ktf holds the task, knsetting.ini the setting, no question or box was shown, and no
# process of the program is left.
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

section "the session ends"
(
  export WINEPREFIX="$dir/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  timeout 60 /usr/lib/wine/wine64 wineboot --end-session
) </dev/null >/dev/null 2>&1 9>&-
ended=no
for _ in $(seq 1 150); do
  [[ $(drvs alive "$pid" 2>/dev/null) == 0 ]] && { ended=yes; break; }
  sleep 0.1
done
check "the program has ended" "yes" "$ended"
check "no window of the program is left" "0" "$(drvs windows | awk -F'\t' -v pid="$pid" '$2 == pid' | wc -l)"
check "default.ktf holds the task" "khelper.exe --seconds 0 session-e2e	Run - After 00-00-30-00" \
  "$(tr -d '\r' <"$appdata/default.ktf" 2>/dev/null | awk -F'\t' '{ print $1 "\t" $6 }')"
check "knsetting.ini holds auto-load on" "1" "$(sed -n 1p "$appdata/knsetting.ini" 2>/dev/null | tr -d '\r')"
check "knsetting.ini has its eight lines" "8" "$(tr -d '\r' <"$appdata/knsetting.ini" 2>/dev/null | wc -l)"
finish
