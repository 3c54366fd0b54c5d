#!/usr/bin/env bash
# Virtual X display for the Windows tests: a ctest fixture (tests xvfb_start / xvfb_stop).
#
#   bash scripts/xvfb-fixture.sh start|stop <build folder>
#
# start: starts Xvfb on a free display and writes "<display> <pid>" to <build>/xvfb/display,
#        where scripts/wine-emulator.sh picks it up (KESTRELON_XVFB_FILE). It also stops the
#        build's wineserver: a server started for another display (or none) cannot make windows,
#        and the next program then starts a fresh one with this display.
# stop:  stops that Xvfb and the wineserver that was bound to it.
set -uo pipefail

action=${1:-}
build=$(realpath -- "${2:-}") || { echo "usage: xvfb-fixture.sh start|stop <build folder>" >&2; exit 2; }
dir="$build/xvfb"
file="$dir/display"

stop_wineserver() {
  if [[ -d $build/wineprefix ]]; then
    WINEPREFIX="$build/wineprefix" /usr/lib/wine/wineserver64 -k >/dev/null 2>&1
    rm -f "$build/wineprefix/.kestrelon-server"
  fi
}

stop_xvfb() {
  local display="" pid=""
  [[ -f $file ]] && read -r display pid <"$file"
  if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null && [[ $(cat "/proc/$pid/comm" 2>/dev/null) == Xvfb ]]; then
    kill "$pid"  # no need to wait: a new Xvfb picks a free display itself
  fi
  rm -f "$file"
}

case $action in
  start)
    command -v Xvfb >/dev/null || { echo "Xvfb is not installed (apt-get install xvfb)" >&2; exit 1; }
    mkdir -p "$dir"
    stop_wineserver
    stop_xvfb
    rm -f "$dir/displayfd"
    # Xvfb writes the display number it chose to fd 3. Its own output goes to a log, never to
    # ctest's pipe (ctest would wait for the pipe to close).
    setsid Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset \
      3>"$dir/displayfd" </dev/null >"$dir/xvfb.log" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
      [[ -s $dir/displayfd ]] && break
      kill -0 "$pid" 2>/dev/null || { echo "Xvfb failed:" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
      sleep 0.1
    done
    display=$(head -n1 "$dir/displayfd" | tr -d ' \n')
    [[ $display =~ ^[0-9]+$ ]] || { echo "Xvfb reported no display" >&2; kill "$pid"; exit 1; }
    echo "$display $pid" >"$file.tmp" && mv "$file.tmp" "$file"
    echo "Xvfb display :$display (pid $pid)"
    ;;
  stop)
    stop_wineserver
    stop_xvfb
    echo "Xvfb stopped"
    ;;
  *)
    echo "usage: xvfb-fixture.sh start|stop <build folder>" >&2
    exit 2 ;;
esac
