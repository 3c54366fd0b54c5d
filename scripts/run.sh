#!/usr/bin/env bash
# Builds the shipped 32-bit program and starts it under Wine: bash scripts/run.sh [--x64] [arguments...]
#   --x64 (or KESTRELON_ARCH=x64) builds and starts the 64-bit program instead.
# Without a display ($DISPLAY empty) it runs in a virtual X display (Xvfb) and says so.
# The program keeps its data in the build's Wine prefix
# (build/windows-x86/wineprefix/drive_c/users/<user>/AppData/Roaming, or windows-x64 for --x64).
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/packages.sh

preset=windows-x86
[[ ${KESTRELON_ARCH:-x86} == x64 ]] && preset=windows-x64
if [[ ${1:-} == --x64 ]]; then
  preset=windows-x64
  shift
fi

install_missing_packages || { echo "package installation failed" >&2; exit 1; }
cmake --preset $preset >/dev/null || exit 1
cmake --build --preset $preset -j8 --target kestrelon || exit 1
exe=build/$preset/kestrelon.exe
[[ -f $exe ]] || { echo "$exe was not built" >&2; exit 1; }

xvfb_pid=""
wine_pid=""
cleanup() {
  [[ -n $wine_pid ]] && kill "$wine_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [[ -z ${DISPLAY:-} ]]; then
  state=build/$preset/xvfb-run
  mkdir -p "$state"
  rm -f "$state/displayfd"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset \
    3>"$state/displayfd" </dev/null >"$state/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s $state/displayfd ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$state/xvfb.log" >&2; exit 1; }
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 "$state/displayfd" | tr -d ' \n')"
  echo "No display found (\$DISPLAY is empty): running Kestrelon in a virtual X display, Xvfb $DISPLAY."
  echo "Screenshot: import -display $DISPLAY -window root shot.png   Stop: Ctrl+C."
fi

echo "Starting $exe under Wine"
# In the background, so that Ctrl+C or a kill of this script ends the program and Xvfb too.
KESTRELON_APPDATA=wine bash scripts/wine-emulator.sh "$exe" "$@" &
wine_pid=$!
wait "$wine_pid"
rc=$?
wine_pid=""
exit "$rc"
