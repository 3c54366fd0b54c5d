#!/usr/bin/env bash
# End-to-end: task-list files with the real kestrelon.exe under Wine and Xvfb.
#   1. "Load Tasks" through the real open dialog adds the three rows of a file, field by field; the
#      countdown row starts its countdown from the moment of loading
#   2. with "Auto Load the Task List" ticked, a second file's due run row ("Run - Normal", Close
#      Time in the past, an unquoted command line) starts the helper program with its arguments,
#      the row is removed, and default.ktf in the private APPDATA holds exactly the remaining rows
#   3. "Save Tasks" through the real save dialog, to a name without extension, writes <name>.ktf
#      byte-identical to the expected format (seven fields, six TABs, CR LF per row)
# Rows are loaded from two files so that the three-row check never races the scheduler, which
# fires a due row at its next 500 ms tick.
# Run by hand from a build folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/task_files.sh
set -uo pipefail
name=task_files
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.bash"

winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
# A Close Time as the program writes it ("YYYY/MM/DD HH:MM:SS") -> seconds since 1970.
epoch() { date -d "${1//\//-}" +%s 2>/dev/null || echo 0; }
field() { drv lv-text "$CLASS" "$TITLE" "$1" $(($2 + 1)); }  # field k of row i is column k+1
row_text() {  # the row as a file line, without CR LF
  local k line
  line=$(field "$1" 1)
  for k in 2 3 4 5 6 7; do line+=$'\t'$(field "$1" "$k"); done
  printf '%s' "$line"
}
# Stops the script after a failure that leaves nothing to check.
give_up() { fail "$1"; drv windows | sed 's/^/      /'; finish; }

close_leftovers
rm -rf -- "$work"
appdata="$work/appdata"
mkdir -p -- "$appdata" "$artifacts"

# Three rows that are not due: two at a fixed time far ahead (an empty After field; a Program that
# begins with a quote, a command line with commas and quotes, a quit request) and one countdown of
# two hours.
ROW1=$'notepad.exe\tC:\\windows\\notepad.exe\t00000\t2090/12/31 23:59:00\tNone\tClose - Normal\t'
ROW2=$'"say" hi.exe\tC:\\Tools, old\\say "hi".exe /x,y\tNone\t2091/01/02 03:04:05\tEvery Day\tRun - Normal\t - Q'
ROW3_BEFORE=$'kfiles.exe\tC:\\kfiles.exe\t00000\t2000/01/01 00:00:00\tEvery Hour\tClose - After 00-02-00-00\tTurn Off the Monitor'
printf '%s\r\n' "$ROW1" "$ROW2" "$ROW3_BEFORE" >"$work/three.ktf"

# The due run row: the helper, started by an unquoted command line, writes its arguments to out.
out="$work/run-out.txt"
args="--out $(winpath "$out") --seconds 120 from-the-task-list"
command="$(winpath "$build/khelper.exe") $args"
printf '%s\t%s\tNone\t2001/02/03 04:05:06\tNone\tRun - Normal\t\r\n' "khelper.exe $args" "$command" >"$work/due.ktf"

# --- start, tick "Auto Load the Task List" ------------------------------------------------------
pid=$(start_program "$appdata") || give_up "the program could not be started"
check "main window visible" "$pid" "$(drv wait-visible "$CLASS" "$TITLE" 30000)"
check "\"Auto Load the Task List\" starts unticked" "0" "$(drv menu-checked "$CLASS" "$TITLE" "Setting/Auto Load the Task List")"
drv menu-click "$CLASS" "$TITLE" "Setting/Auto Load the Task List" >/dev/null
check "\"Auto Load the Task List\" is ticked" "1" "$(drv menu-checked "$CLASS" "$TITLE" "Setting/Auto Load the Task List")"

# --- load three rows ----------------------------------------------------------------------------
drv click-button "$CLASS" "$TITLE" "Load Tasks" || give_up "\"Load Tasks\" could not be clicked"
loaded=$(date +%s)
drv file-dialog "$CLASS" "$TITLE" "$work/three.ktf" 15000 >/dev/null || give_up "the open dialog takes three.ktf"
poll 10 3 drv lv-count "$CLASS" "$TITLE" || give_up "\"Load Tasks\" adds the three rows of the file"
pass "\"Load Tasks\" adds the three rows of the file"
check "row 1 reads back field by field" "$ROW1" "$(row_text 1)"
check "row 2 with quotes and commas reads back unchanged" "$ROW2" "$(row_text 2)"
rearmed=$(field 3 4)
ROW3=${ROW3_BEFORE/2000\/01\/01 00:00:00/$rearmed}
check "row 3 keeps every field but its Close Time" "$ROW3" "$(row_text 3)"
delta=$(( $(epoch "$rearmed") - loaded ))
((delta >= 7200 - 2 && delta <= 7200 + 10)) && pass "the countdown row is due two hours after loading ($rearmed)" ||
  fail "the countdown row is due two hours after loading: got $rearmed, ${delta}s after loading"
[[ ! -e $appdata/default.ktf ]] && pass "loading alone writes no default.ktf" || fail "loading alone wrote default.ktf"

# --- a due run row fires ------------------------------------------------------------------------
drv click-button "$CLASS" "$TITLE" "Load Tasks" || give_up "\"Load Tasks\" could not be clicked again"
drv file-dialog "$CLASS" "$TITLE" "$work/due.ktf" 15000 >/dev/null || give_up "the open dialog takes due.ktf"
for _ in $(seq 100); do [[ -s $out ]] && break; sleep 0.1; done
if [[ -s $out ]]; then
  IFS=$'\t' read -r helper received <"$out"
  started+=("$helper")
  pass "the due run row started the helper (process $helper)"
  check "the helper received the row's arguments" "$args" "${received%$'\r'}"
else
  fail "the due run row started the helper within 10 s"
fi
poll 10 3 drv lv-count "$CLASS" "$TITLE" || fail "the fired one-shot row is removed (3 rows remain)"

expected="$work/expected.ktf"
printf '%s\r\n' "$ROW1" "$ROW2" "$ROW3" >"$expected"
for _ in $(seq 50); do [[ -s $appdata/default.ktf ]] && break; sleep 0.1; done
if cmp -s -- "$expected" "$appdata/default.ktf"; then
  pass "default.ktf holds exactly the remaining three rows"
else
  fail "default.ktf holds exactly the remaining three rows"
  diff <(od -c "$expected") <(od -c "$appdata/default.ktf" 2>&1) | head -20 | sed 's/^/      /'
fi
check "the fired row ran its program once" "1" "$(wc -l <"$out" 2>/dev/null || echo 0)"
check "no temporary file is left beside default.ktf" "" \
  "$(cd "$appdata" && ls -A | grep -v -x -e default.ktf -e knsetting.ini | paste -sd' ')"

# --- save ---------------------------------------------------------------------------------------
drv click-button "$CLASS" "$TITLE" "Save Tasks" || give_up "\"Save Tasks\" could not be clicked"
drv file-dialog "$CLASS" "$TITLE" "$work/saved" 15000 >/dev/null || give_up "the save dialog takes the name"
for _ in $(seq 50); do [[ -s $work/saved.ktf ]] && break; sleep 0.1; done
if cmp -s -- "$expected" "$work/saved.ktf"; then
  pass "\"Save Tasks\" writes saved.ktf byte-identical to the expected format"
else
  fail "\"Save Tasks\" writes saved.ktf byte-identical to the expected format"
  diff <(od -c "$expected") <(od -c "$work/saved.ktf" 2>&1) | head -20 | sed 's/^/      /'
fi
[[ ! -e $work/saved ]] && pass "no file without the extension" || fail "a file \"saved\" without extension was written"
tabs=$(tr -cd '\t\n' <"$work/saved.ktf" | awk -v RS='\n' '{ print length($0) }' | sort -u | paste -sd' ')
check "every saved line has six TABs" "6" "$tabs"
check "every saved line ends with CR LF" "3" "$(grep -c $'\r$' "$work/saved.ktf")"

shot="$artifacts/$name.png"
import -window root "$shot" 2>/dev/null && echo "screenshot: $shot"

drv kill "$pid" >/dev/null  # rows remain, so closing would ask first; nothing here needs the unload
finish
