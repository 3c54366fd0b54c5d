#!/usr/bin/env bash
# End-to-end: the idle-mouse watcher of the real kestrelon.exe under Wine and Xvfb.
#   1. "Load Tasks" through the real open dialog adds an idle row ("Close - AfterNoMouseMoving
#      00-00-00-08") for a running helper program, and a countdown row ("Close - After", 1 hour)
#   2. while xdotool moves the pointer every second for longer than the countdown, the idle
#      row's Close Time keeps moving later and it does not fall due; the countdown row is untouched
#   3. with the pointer still, the idle row falls due: the helper is terminated and the row removed
# Run by hand from a build folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/idle.sh
set -uo pipefail
name=idle
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.bash"

command -v xdotool >/dev/null || { echo "xdotool is not installed"; exit 1; }

COUNTDOWN=8        # seconds of the idle row's countdown
MOVE_SECONDS=11    # longer than the countdown: without the watcher the row would fall due meanwhile
IDLE_TYPE=$(printf 'Close - AfterNoMouseMoving 00-00-00-%02d' "$COUNTDOWN")

winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
# A Close Time as the program writes it ("YYYY/MM/DD HH:MM:SS") -> seconds since 1970.
epoch() { date -d "${1//\//-}" +%s 2>/dev/null || echo 0; }
close_time() { drv lv-text "$CLASS" "$TITLE" "$1" 5; }  # field 4 is column 5

close_leftovers
rm -rf -- "$work"
appdata="$work/appdata"
mkdir -p -- "$appdata" "$artifacts"

# The idle row's program: a copy of the helper under a name nothing else uses.
program="kidle$$.exe"
cp -- "$build/khelper.exe" "$work/$program" || { echo "FAIL  cannot copy khelper.exe"; exit 1; }
helper=$(drv start "$work/$program" --seconds 300) || { echo "FAIL  the helper could not be started"; exit 1; }
started+=("$helper")

# Both Close Times in the file lie in the past: loading re-arms both rows from the moment of loading.
list="$work/idle.ktf"
{
  printf '%s\t%s\t00000\t2000/01/01 00:00:00\tNone\t%s\t\r\n' "$program" "$(winpath "$work/$program")" "$IDLE_TYPE"
  printf '%s\t%s\t00000\t2000/01/01 00:00:00\tNone\tClose - After 00-01-00-00\t\r\n' \
    "kidleother$$.exe" "$(winpath "$work/kidleother$$.exe")"
} >"$list"

# --- start and load ------------------------------------------------------------------------------
xdotool mousemove 300 300
pid=$(start_program "$appdata") || { echo "FAIL  the program could not be started"; exit 1; }
check "main window visible" "$pid" "$(drv wait-visible "$CLASS" "$TITLE" 30000)"

drv click-button "$CLASS" "$TITLE" "Load Tasks" || fail "\"Load Tasks\" could not be clicked"
drv file-dialog "$CLASS" "$TITLE" "$list" 15000 >/dev/null || fail "the open dialog takes the task list"
poll 10 2 drv lv-count "$CLASS" "$TITLE" || { fail "the two rows are loaded"; finish; }
check "row 1 is the idle row" "$IDLE_TYPE" "$(drv lv-text "$CLASS" "$TITLE" 1 7)"
countdown_time=$(close_time 2)
loaded=$(date +%s)
first=$(close_time 1)
echo "after loading: idle row due $first, countdown row due $countdown_time"
(( $(epoch "$first") >= loaded )) || fail "loading re-armed the idle row from now (got $first)"

# --- the pointer moves every second ------------------------------------------------------------
samples=("$first")
for ((i = 0; i < MOVE_SECONDS; i++)); do
  xdotool mousemove $((300 + (i % 2) * 40)) $((300 + i * 5))
  last_move=$(date +%s)
  sleep 1
  samples+=("$(close_time 1)")
done
echo "Close Times while moving: ${samples[*]// /_}"

backwards=0 later=0
for ((i = 1; i < ${#samples[@]}; i++)); do
  a=$(epoch "${samples[i - 1]}") b=$(epoch "${samples[i]}")
  ((b < a)) && backwards=$((backwards + 1))
  ((b > a)) && later=$((later + 1))
done
check "the idle row's Close Time never moves back" "0" "$backwards"
((later >= MOVE_SECONDS - 3)) && pass "the idle row's Close Time moved later at $later of $MOVE_SECONDS moves" ||
  fail "the idle row's Close Time moved later at only $later of $MOVE_SECONDS moves"
moved=$(( $(epoch "${samples[-1]}") - $(epoch "$first") ))
((moved >= MOVE_SECONDS - 3)) && pass "the idle row's Close Time moved ${moved}s in ${MOVE_SECONDS}s" ||
  fail "the idle row's Close Time moved only ${moved}s in ${MOVE_SECONDS}s"
check "moving for longer than the countdown: the helper still runs" "1" "$(drv alive "$helper")"
check "moving: both rows are still listed" "2" "$(drv lv-count "$CLASS" "$TITLE")"
check "the countdown row is not touched by the watcher" "$countdown_time" "$(close_time 2)"

# --- the pointer keeps still -------------------------------------------------------------------
due=$(close_time 1)
echo "pointer still from $(date -d @"$last_move" +%T); the idle row is due $due"
if poll $((COUNTDOWN + 15)) 0 drv alive "$helper"; then
  ended=$(date +%s)
  pass "with the pointer still the idle row fell due: the helper ended $((ended - last_move))s after the last move"
  (( ended >= $(epoch "$due") )) && pass "it did not end before its Close Time" ||
    fail "it ended at $(date -d @"$ended" +%T), before its Close Time $due"
else
  fail "with the pointer still the helper is terminated within $((COUNTDOWN + 15))s"
fi
poll 5 1 drv lv-count "$CLASS" "$TITLE" || fail "the fired idle row is removed"
check "the countdown row remains" "Close - After 00-01-00-00" "$(drv lv-text "$CLASS" "$TITLE" 1 7)"

shot="$artifacts/$name.png"
import -window root "$shot" 2>/dev/null && echo "screenshot: $shot"

drv kill "$pid" >/dev/null  # rows remain, so closing would ask first; nothing here needs the unload
finish
