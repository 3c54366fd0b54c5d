# Shared part of the end-to-end scripts that start kestrelon.exe more than once: the virtual
# display, the driver, the checks and the clean-up. Sourced (not run) by tests/e2e/*.sh; it is
# not a test of its own (ctest registers only the scripts directly in tests/e2e).
#
# Environment as for every e2e script (see tests/e2e/main_window.sh):
#   KESTRELON_EXE, KESTRELON_DRIVER, KESTRELON_EMULATOR, KESTRELON_BUILD_DIR, KESTRELON_XVFB_FILE
# The script sets `name` before sourcing; its work folder is <build>/e2e/<name>.

e2e_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
e2e_root=$(cd "$e2e_lib/../../.." && pwd)
build=$(realpath -- "${KESTRELON_BUILD_DIR:-$PWD}")
exe=${KESTRELON_EXE:-$build/kestrelon.exe}
driver=${KESTRELON_DRIVER:-$build/kdriver.exe}
emulator=${KESTRELON_EMULATOR:-$e2e_root/scripts/wine-emulator.sh}
export KESTRELON_BUILD_DIR=$build

work="$build/e2e/$name"
artifacts="$build/e2e-artifacts"

CLASS=KestrelonMainWindow
TITLE=Kestrelon
TRAY_CLASS=KestrelonTrayWindow

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
    bash "$e2e_root/scripts/xvfb-fixture.sh" start "$build" >/dev/null || { echo "cannot start Xvfb"; exit 1; }
    own_xvfb=1
    xvfb_alive || { echo "Xvfb did not come up"; exit 1; }
  fi
fi

# --- driver, Wine tools and checks --------------------------------------------------------------
drv() { KESTRELON_APPDATA=wine bash "$emulator" "$driver" "$@"; }
# Wine's reg.exe in the build's prefix (the same prefix and server the program runs in).
wine_reg() { KESTRELON_APPDATA=wine bash "$emulator" "$build/wineprefix/drive_c/windows/system32/reg.exe" "$@"; }

failures=0
pass() { echo "ok    $1"; }
fail() { echo "FAIL  $1"; failures=$((failures + 1)); }
# check <what> <expected> <actual>
check() {
  if [[ $2 == "$3" ]]; then pass "$1"; else fail "$1"; echo "      expected: ${2//$'\n'/ | }"; echo "      actual:   ${3//$'\n'/ | }"; fi
}
section() { echo "--- $1"; }

# Polls `cmd...` (a driver call printing one value) until it prints `want`; 0 when it did.
# poll <timeout_s> <want> cmd...
poll() {
  local timeout=$1 want=$2 end
  shift 2
  end=$((SECONDS + timeout))
  while :; do
    [[ $("$@" 2>/dev/null) == "$want" ]] && return 0
    ((SECONDS >= end)) && return 1
    sleep 0.1
  done
}

# Top-level windows of one class belonging to one process (from `kdriver windows`).
windows_of() { drv windows | awk -F'\t' -v pid="$2" -v cls="$1" '$2 == pid && $4 == cls' | wc -l; }
# Visible dialog (#32770) windows of one process.
dialogs_of() { drv windows | awk -F'\t' -v pid="$1" '$2 == pid && $3 == 1 && $4 == "#32770"' | wc -l; }

# Every process this script started; the clean-up ends those still running.
started=()
start_program() {  # start_program <appdata>  -> pid on stdout
  local pid
  pid=$(drv start --appdata "$1" "$exe") || return 1
  started+=("$pid")
  echo "$pid"
}
end_started() {
  local p
  for p in "${started[@]}"; do
    if [[ $(drv alive "$p" 2>/dev/null) == 1 ]]; then
      echo "note: process $p is still running; terminating it"
      drv kill "$p" >/dev/null 2>&1
    fi
  done
  started=()
}

session_cleanup() {
  end_started
  if ((own_xvfb)); then bash "$e2e_root/scripts/xvfb-fixture.sh" stop "$build" >/dev/null; fi
}
trap session_cleanup EXIT

# A window left over from an earlier, interrupted run would be found instead of ours.
close_leftovers() {
  if [[ -n $(drv windows | awk -F'\t' -v cls="$CLASS" '$4 == cls') ]]; then
    echo "note: closing a Kestrelon window left over from an earlier run"
    drv close "$CLASS" "$TITLE" 5000 >/dev/null || echo "note: it did not close"
  fi
}

# Files of a folder with size, modification time (ns) and checksum, one per line.
fingerprint() {
  (cd "$1" && for f in $(ls -A | sort); do
    printf '%s %s %s\n' "$f" "$(stat -c '%s %.9Y' -- "$f")" "$(sha256sum <"$f" | cut -d' ' -f1)"
  done)
}

# --- other screen settings ---------------------------------------------------------------------
# A Wine prefix whose screen has <dpi> dots per inch: dpi_build <dpi>  -> the folder to give the
# runner as KESTRELON_BUILD_DIR (<build>/dpi<dpi>, made once, with the build's launcher; for 96 the
# build itself). Its server is stopped first, since it reads the setting when it starts; the
# build's own prefix stays at 96 dpi for the other tests.
dpi_build() {
  local dpi=$1 dir reg
  if [[ $dpi == 96 ]]; then echo "$build"; return; fi
  dir="$build/dpi$dpi"
  mkdir -p -- "$dir"
  [[ -f $build/wine-launch.exe ]] && ln -sf "$build/wine-launch.exe" "$dir/wine-launch.exe"
  # The setting must be in the prefix's files before a server reads it: reg.exe runs under a
  # server of its own (not the runner's long-lived one), and `wineserver -w` waits until that
  # server has saved the registry and ended.
  local value
  value=$(printf '"LogPixels"=dword:%08x' "$dpi")
  if ! grep -qF "$value" "$dir/wineprefix/user.reg" 2>/dev/null; then
    KESTRELON_BUILD_DIR=$dir KESTRELON_APPDATA=wine bash "$emulator" "$driver" windows >/dev/null  # makes the prefix
    stop_dpi_server "$dir"
    reg="$dir/wineprefix/drive_c/windows/system32/reg.exe"
    (
      export WINEPREFIX="$dir/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
      unset DISPLAY
      /usr/lib/wine/wine64 "$reg" add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
      /usr/lib/wine/wine64 "$reg" add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$dpi" /f
      /usr/lib/wine/wineserver64 -w
    ) </dev/null >/dev/null 2>&1 9>&-
    grep -qF "$value" "$dir/wineprefix/user.reg" || echo "dpi_build: LogPixels $dpi did not reach $dir/wineprefix" >&2
  fi
  stop_dpi_server "$dir"
  echo "$dir"
}
# Stops the server of a dpi_build folder, and with it every program it runs (never the build's).
stop_dpi_server() {
  [[ $1 == "$build" || ! -d $1/wineprefix ]] && return 0
  WINEPREFIX="$1/wineprefix" /usr/lib/wine/wineserver64 -k >/dev/null 2>&1
  rm -f "$1/wineprefix/.kestrelon-server"
}

# knsetting.ini text from eight marks: settings_text 1 0 0 0 0 0 0 0
settings_text() { local m; for m in "$@"; do printf '%s\r\n' "$m"; done; }

finish() {
  if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
  exit 0
}
