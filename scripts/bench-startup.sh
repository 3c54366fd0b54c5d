#!/usr/bin/env bash
# Start-up time of kestrelon.exe under Wine and Xvfb, next to a minimal Win32 window program
# (bench/wine/startup_window.cpp --window) started the same way in the same run; then the
# "Add a Task" click and the start with a full task list.
#
#   bash scripts/bench-startup.sh [-n ROUNDS] [BUILD_DIR...]
#       (default 10 rounds; builds: build/windows-x64, and build/windows-x86 when it is configured)
#
# Figures, medians over ROUNDS starts of each program (alternating):
#   inside Wine  startup_window.exe times CreateProcessW -> main window visible (polled every ms)
#                and -> its thread answering a sent message; see the program's comment.
#   from Linux   `scripts/wine-emulator.sh <program>` from this shell (wine64 and the APPDATA
#                launcher, as every test starts the program) -> kdriver.exe sees the window
#                visible (it polls every 25 ms, so figures are up to ~25 ms late, equally for both).
#   Add a Task   kdriver posts the click and times until the editor is visible and until its
#                program list is filled and steady; reference: one process enumeration plus one
#                open per process, in the driver, right after.
#   full list    a start with a 32,767-row default.ktf and auto-load on: start -> window visible,
#                start -> the list holds every row (once; KESTRELON_BENCH_FULL=0 leaves it out).
# Every start of kestrelon.exe gets an empty APPDATA folder. Uses the build's Wine prefix and its
# Xvfb (started here when the test run's is not up); do not run it while that build's e2e tests run.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=10
if [[ ${1:-} == -n ]]; then rounds=${2:?-n needs a number}; shift 2; fi
emulator="$root/scripts/wine-emulator.sh"
if (($# == 0)); then
  set -- "$root/build/windows-x64"
  [[ -f $root/build/windows-x86/CMakeCache.txt ]] && set -- "$@" "$root/build/windows-x86"
fi
if (($# > 1)); then
  status=0
  for b in "$@"; do
    echo "######## $(basename "$b")"
    bash "${BASH_SOURCE[0]}" -n "$rounds" "$b" || status=1
  done
  exit $status
fi
build=$(realpath -m -- "$1")
export KESTRELON_BUILD_DIR=$build

if [[ ! -f $build/CMakeCache.txt ]]; then
  (cd "$root" && cmake --preset "$(basename "$build")") || { echo "bench-startup: configure failed" >&2; exit 1; }
fi
cmake "$build" >/dev/null || { echo "bench-startup: configure failed" >&2; exit 1; }
cmake --build "$build" -j8 --target kestrelon startup_window kdriver wine-launch khelper >/dev/null ||
  { echo "bench-startup: build failed" >&2; exit 1; }

# --- the virtual display ------------------------------------------------------------------------
export KESTRELON_XVFB_FILE="$build/xvfb/display"
own_xvfb=0
xvfb_alive() {
  local display="" pid=""
  [[ -s $KESTRELON_XVFB_FILE ]] || return 1
  read -r display pid <"$KESTRELON_XVFB_FILE"
  [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null && export DISPLAY=":$display"
}
if ! xvfb_alive; then
  bash "$root/scripts/xvfb-fixture.sh" start "$build" >/dev/null || { echo "bench-startup: no Xvfb" >&2; exit 1; }
  own_xvfb=1
  xvfb_alive || { echo "bench-startup: Xvfb did not come up" >&2; exit 1; }
fi
work=$(mktemp -d "$build/bench-startup.XXXXXX")
cleanup() {
  rm -rf -- "$work"
  if ((own_xvfb)); then bash "$root/scripts/xvfb-fixture.sh" stop "$build" >/dev/null; fi
}
trap cleanup EXIT

drv() { KESTRELON_APPDATA=wine bash "$emulator" "$build/kdriver.exe" "$@"; }
now_us() { echo $(( $(date +%s%N) / 1000 )); }

# Warm-up: the first Wine process after the server starts pays for the server and the desktop.
drv windows >/dev/null

# --- inside Wine --------------------------------------------------------------------------------
echo "== inside Wine"
KESTRELON_APPDATA=wine bash "$emulator" "$build/startup_window.exe" --rounds "$rounds" || status=1

# --- from Linux ---------------------------------------------------------------------------------
# time_start <label> <class> <title> <program> [args...]: one start, prints microseconds or "fail".
time_start() {
  local class=$2 title=$3 appdata t0 t1 launcher
  shift 3
  appdata=$(mktemp -d "$work/appdata.XXXXXX")
  t0=$(now_us)
  KESTRELON_APPDATA=$appdata bash "$emulator" "$@" </dev/null >/dev/null 2>&1 &
  launcher=$!
  if drv wait-visible "$class" "$title" 30000 >/dev/null; then
    t1=$(now_us)
    echo $((t1 - t0))
  else
    echo fail
  fi
  drv close "$class" "$title" 15000 >/dev/null 2>&1 || { kill "$launcher" 2>/dev/null; }
  wait "$launcher" 2>/dev/null
}

declare -a k_times m_times
for ((r = 0; r < rounds; r++)); do
  k_times+=("$(time_start kestrelon KestrelonMainWindow Kestrelon "$build/kestrelon.exe")")
  m_times+=("$(time_start minimal KestrelonBenchWindow "Startup Bench" "$build/startup_window.exe" --window)")
done

summary() {  # summary <label> <microseconds...>
  local label=$1
  shift
  printf '%s\n' "$@" | sort -g | awk -v label="$label" '
    $1 == "fail" { failed++; next }
    { v[++n] = $1 / 1000 }
    END {
      if (n == 0) { printf "%-16s %9s\n", label, "no data"; exit }
      median = n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
      printf "%-16s %-11s %9.1f %9.1f %9.1f", label, "visible", median, v[1], v[n]
      if (failed) printf "   (%d failed)", failed
      printf "\n"
    }'
}
echo "== from Linux (wine-emulator.sh -> window visible to kdriver), $rounds rounds each, ms"
printf '%-16s %-11s %9s %9s %9s\n' program figure median min max
summary kestrelon.exe "${k_times[@]}"
summary "minimal window" "${m_times[@]}"

# --- "Add a Task" -----------------------------------------------------------------------------
median() { printf '%s\n' "$@" | sort -g | awk '{ v[++n] = $1 } END { if (n) print (n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2); else print "-" }'; }
declare -a a_vis a_fill a_floor a_rows
for ((r = 0; r < rounds; r++)); do
  appdata=$(mktemp -d "$work/appdata.XXXXXX")
  KESTRELON_APPDATA=$appdata bash "$emulator" "$build/kestrelon.exe" </dev/null >/dev/null 2>&1 &
  launcher=$!
  if drv wait-visible KestrelonMainWindow Kestrelon 30000 >/dev/null; then
    sleep 0.5  # let the start-up settle
    out=$(drv time-click KestrelonMainWindow Kestrelon "Add a Task" KestrelonEditorWindow - 30000)
    a_vis+=("$(awk '$1 == "visible" { print $2 }' <<<"$out")")
    a_fill+=("$(awk '$1 == "filled" { print $2 }' <<<"$out")")
    a_rows+=("$(awk '$1 == "filled" { print $3 }' <<<"$out")")
    a_floor+=("$(awk '$1 == "floor" { print $2 }' <<<"$out")")
  fi
  drv close KestrelonMainWindow Kestrelon 15000 >/dev/null 2>&1 || kill "$launcher" 2>/dev/null
  wait "$launcher" 2>/dev/null
done
echo "== \"Add a Task\" click (kdriver), $rounds rounds, median ms"
printf '%-34s %9s\n' "editor visible" "$(median "${a_vis[@]}")"
printf '%-34s %9s   (%s programs)\n' "program list filled and steady" "$(median "${a_fill[@]}")" "$(median "${a_rows[@]}")"
printf '%-34s %9s\n' "reference: enumerate + open each" "$(median "${a_floor[@]}")"

# --- a start with the full task list ------------------------------------------------------------
if [[ ${KESTRELON_BENCH_FULL:-1} != 0 ]]; then
  appdata=$(mktemp -d "$work/appdata.XXXXXX")
  awk 'BEGIN { for (i = 0; i < 32767; i++)
                 printf "notepad%d.exe\tC:\\Windows\\notepad%d.exe\t00000\t2090/12/31 23:59:00\tNone\tClose - Normal\t\r\n", i, i }' \
    >"$appdata/default.ktf"
  printf '1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n' >"$appdata/knsetting.ini"  # auto-load on
  t0=$(now_us)
  KESTRELON_APPDATA=$appdata bash "$emulator" "$build/kestrelon.exe" </dev/null >/dev/null 2>&1 &
  launcher=$!
  vis=fail rows=fail
  if drv wait-visible KestrelonMainWindow Kestrelon 600000 >/dev/null; then
    vis=$((($(now_us) - t0) / 1000))
    drv wait-rows KestrelonMainWindow Kestrelon 32767 900000 >/dev/null && rows=$((($(now_us) - t0) / 1000))
  fi
  echo "== start with a 32,767-row default.ktf (auto-load), once, ms from the start"
  printf '%-34s %9s\n' "main window visible" "$vis" "list holds every row" "$rows"
  printf '%-34s %9s\n' "reference: start, empty list" "$(summary x "${k_times[@]}" | awk '{ print $3 }')"
  drv close KestrelonMainWindow Kestrelon 900000 >/dev/null 2>&1 || kill "$launcher" 2>/dev/null
  wait "$launcher" 2>/dev/null
fi
exit "${status:-0}"
