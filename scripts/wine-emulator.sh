#!/usr/bin/env bash
# Runs one Windows program under Wine: the CMAKE_CROSSCOMPILING_EMULATOR of the Windows builds
# (ctest puts it in front of every test program), and the runner used by scripts/run.sh and the
# end-to-end test scripts.
#
#   bash scripts/wine-emulator.sh program.exe [arguments...]
#
# - Each build folder has its own Wine prefix, <build>/wineprefix (64-bit), made on first use.
#   32-bit programs (the windows-x86 build) run in it too, through WoW64 (Debian's wine32).
# - One wineserver is kept alive between programs (-p120); without it every test process costs
#   about 3 s, and Wine's own services would inherit ctest's output pipe and hold it open.
#   It is restarted when DISPLAY changes: Wine's desktop process stays bound to the display the
#   server was started with.
# - Each run gets a private APPDATA folder (see KESTRELON_APPDATA).
#
# Environment (all optional):
#   KESTRELON_BUILD_DIR  the build folder; default: the nearest folder above the program that
#                        holds CMakeCache.txt.
#   KESTRELON_APPDATA    a Linux folder to use as APPDATA (created if missing, kept afterwards),
#                        or "wine" for Wine's own profile folder (C:\users\<user>\AppData\Roaming).
#                        Unset: a fresh folder under <build>/appdata, deleted afterwards unless
#                        KESTRELON_KEEP_APPDATA=1.
#   KESTRELON_XVFB_FILE  the file where scripts/xvfb-fixture.sh wrote "<display> <pid>"; while
#                        that Xvfb lives, DISPLAY is taken from it.
#
# APPDATA under Wine: Wine sets APPDATA itself when a process is started from the Unix side, so
# exporting APPDATA=Z:\... here does not reach the program (checked with Wine 8.0). A process
# started from inside Wine inherits its parent's environment as it is, though, so the program is
# started through the small launcher <build>/wine-launch.exe (scripts/wine-launch.cpp), which
# copies KESTRELON_APPDATA into APPDATA. The program is therefore a child of wine-launch.exe.
set -uo pipefail

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

die() { echo "wine-emulator: $*" >&2; exit 1; }

[[ $# -ge 1 ]] || die "usage: wine-emulator.sh program.exe [arguments...]"
exe=$(realpath -e -- "$1") || die "no such program: $1"
shift

# PE header: e_lfanew at offset 0x3c, then "PE\0\0" and the 16-bit machine field.
pe_offset=$(od -An -tu4 -j60 -N4 -- "$exe" | tr -d ' \n')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 -- "$exe" | tr -d ' \n')
# A 32-bit program runs in the same 64-bit prefix (WoW64) through Wine's 32-bit loader. The
# loader may be installed on a kernel that refuses 32-bit code ("Exec format error"): then no
# prefix can get its 32-bit half, and asking for one again at every start would remake the prefix
# every time.
# Only that refusal, told by the kernel's own answer, is "cannot run 32-bit code"; a loader that
# fails for any other reason is a fault of this installation and is said as such.
wow64=0
loader_answer=$(/usr/lib/wine/wine --version 2>&1) && wow64=1
if [[ $machine == 014c && $wow64 == 0 ]]; then
  if [[ $loader_answer == *"Exec format error"* ]]; then
    die "$(basename "$exe") is a 32-bit program and this machine cannot run 32-bit code (the kernel refuses Wine's 32-bit loader: Exec format error)"
  fi
  if [[ -x /usr/lib/wine/wine ]]; then
    die "$(basename "$exe") is a 32-bit program and Wine's 32-bit loader fails to start: ${loader_answer//$'\n'/ }"
  fi
  die "$(basename "$exe") is a 32-bit program and Wine's 32-bit loader (package wine32:i386) is missing"
fi
# The programs started here learn it too (a test of the other architecture may skip only for it).
if [[ $wow64 == 0 && $loader_answer == *"Exec format error"* ]]; then
  export KESTRELON_NO_32BIT_CODE="the kernel refuses 32-bit code (Exec format error)"
else
  unset KESTRELON_NO_32BIT_CODE
fi

build=${KESTRELON_BUILD_DIR:-}
if [[ -z $build ]]; then
  build=$(dirname "$exe")
  while [[ $build != / && ! -f $build/CMakeCache.txt ]]; do build=$(dirname "$build"); done
  [[ -f $build/CMakeCache.txt ]] || die "cannot find the build folder of $exe (set KESTRELON_BUILD_DIR)"
fi
build=$(realpath -- "$build")

export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

if [[ -n ${KESTRELON_XVFB_FILE:-} && -s $KESTRELON_XVFB_FILE ]]; then
  read -r xvfb_display xvfb_pid <"$KESTRELON_XVFB_FILE" || true
  if [[ -n ${xvfb_pid:-} ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
    export DISPLAY=":$xvfb_display"
  fi
fi

# Windows form of a Linux path: Wine maps the Linux root to drive Z:.
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

server_alive() {
  [[ -n ${1:-} ]] && kill -0 "$1" 2>/dev/null && [[ $(cat "/proc/$1/comm" 2>/dev/null) == wineserver* ]]
}

# A folder inside a build folder (a prefix at another dpi or locale) starts from a copy of the
# build's own prefix. Wine's system files (1.3 GB with the 32-bit half) are never written after
# wineboot made them, so they are hard links; everything else (the registry, the .ini files, the
# users' folders) is a real copy, so the two prefixes never share a setting.
clone_parent_prefix() {
  local parent
  parent=$(dirname -- "$build")/wineprefix
  [[ -f $parent/.kestrelon-ready && -f $(dirname -- "$build")/CMakeCache.txt ]] || return 1
  [[ $wow64 == 1 && ! -f $parent/drive_c/windows/syswow64/kernel32.dll ]] && return 1
  "$WINESERVER" -k >/dev/null 2>&1
  rm -rf -- "$WINEPREFIX" "$WINEPREFIX.clone"
  cp -a --link -- "$parent" "$WINEPREFIX.clone" || { rm -rf -- "$WINEPREFIX.clone"; return 1; }
  local f
  while IFS= read -r -d '' f; do
    cp -p -- "$f" "$f.copy" && mv -f -- "$f.copy" "$f" || { rm -rf -- "$WINEPREFIX.clone"; return 1; }
  done < <(find "$WINEPREFIX.clone" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' \
             -o -iname '*.sys' -o -iname '*.nls' -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' \
             -o -iname '*.vxd' -o -iname '*.tlb' -o -iname '*.ds' \) -print0)
  rm -f -- "$WINEPREFIX.clone/.kestrelon-server"
  mv -- "$WINEPREFIX.clone" "$WINEPREFIX"
  echo "wine-emulator: made $WINEPREFIX from $parent (system files shared)" >&2
}

# Everything Wine starts in the background here gets stdin/stdout/stderr on /dev/null and not
# the lock (fd 9), so no daemon holds ctest's pipe or the lock open.
setup_prefix() {
  # A prefix made before the 32-bit loader was installed has no syswow64 files; make it anew.
  if [[ -f $WINEPREFIX/.kestrelon-ready && $wow64 == 1 &&
        ! -f $WINEPREFIX/drive_c/windows/syswow64/kernel32.dll ]]; then
    echo "wine-emulator: $WINEPREFIX lacks the 32-bit system files; making it anew" >&2
    "$WINESERVER" -k >/dev/null 2>&1
    rm -rf -- "$WINEPREFIX"
  fi
  [[ -f $WINEPREFIX/.kestrelon-ready ]] || clone_parent_prefix || true
  if [[ ! -f $WINEPREFIX/.kestrelon-ready ]]; then
    echo "wine-emulator: creating Wine prefix $WINEPREFIX (once per build folder)" >&2
    "$WINESERVER" -k >/dev/null 2>&1
    rm -f "$WINEPREFIX/.kestrelon-server"
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&- || die "wineboot failed in $WINEPREFIX"
    # No window manager in Xvfb: unmanaged windows hide and close at once (managed ones wait ~2 s).
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&-
    # A crash dialog would wait forever for a click nobody makes.
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      </dev/null >/dev/null 2>&1 9>&-
    "$WINESERVER" -w  # let the server write the registry and exit
    touch "$WINEPREFIX/.kestrelon-ready"
  fi

  local state="$WINEPREFIX/.kestrelon-server" pid="" display=""
  [[ -f $state ]] && read -r pid display <"$state"
  if server_alive "$pid" && [[ $display == "${DISPLAY:-}" ]]; then
    return
  fi
  "$WINESERVER" -k >/dev/null 2>&1
  for _ in $(seq 50); do server_alive "$pid" || break; sleep 0.1; done
  setsid "$WINESERVER" -f -p120 </dev/null >/dev/null 2>&1 9>&- &
  pid=$!
  echo "$pid ${DISPLAY:-}" >"$state"
  # Start Wine's services (and its desktop process, when there is a display) now, detached.
  "$WINE" wineboot </dev/null >/dev/null 2>&1 9>&-
}

mkdir -p "$build" || die "cannot create $build"
exec 9>"$build/wineprefix.lock"
flock 9 || die "cannot lock $build/wineprefix.lock"
setup_prefix
exec 9>&-

private_appdata=""
launcher="$build/wine-launch.exe"
case ${KESTRELON_APPDATA:-} in
  wine)
    unset KESTRELON_APPDATA
    launcher="" ;;
  "")
    mkdir -p "$build/appdata"
    private_appdata=$(mktemp -d "$build/appdata/run.XXXXXX") || die "cannot create an APPDATA folder"
    export KESTRELON_APPDATA=$(winpath "$private_appdata") ;;
  *)
    mkdir -p -- "$KESTRELON_APPDATA" || die "cannot create $KESTRELON_APPDATA"
    export KESTRELON_APPDATA=$(winpath "$(realpath -- "$KESTRELON_APPDATA")") ;;
esac

if [[ -n $launcher && ! -f $launcher ]]; then
  echo "wine-emulator: $launcher is missing; running without a private APPDATA" >&2
  launcher=""
fi

command=("$WINE")
[[ -n $launcher ]] && command+=("$launcher" "$(winpath "$exe")") || command+=("$exe")

# The program's output reaches a pipe (ctest's, or a script's $(...)) only through files. Wine
# hands the program's standard handles to the wineserver, which keeps the pipe open for as long
# as any handle to it lives in the prefix, and the server outlives the program (-p120): the
# reader would then wait for the end of the output long after the program ended. On a terminal
# the output goes straight through, and the script becomes the Wine process.
if [[ -t 1 && -z $private_appdata ]]; then
  exec "${command[@]}" "$@"
fi
if [[ -t 1 ]]; then
  "${command[@]}" "$@"
  rc=$?
else
  output=$(mktemp "$build/wine-output.XXXXXX") && errors=$(mktemp "$build/wine-errors.XXXXXX") ||
    die "cannot create the output files in $build"
  # A signal to this script ends the program too.
  trap 'kill "$wine_pid" 2>/dev/null' TERM INT HUP
  "${command[@]}" "$@" >"$output" 2>"$errors" &
  wine_pid=$!
  wait "$wine_pid"
  rc=$?
  trap - TERM INT HUP
  cat -- "$output"
  cat -- "$errors" >&2
  rm -f -- "$output" "$errors"
fi

if [[ -n $private_appdata && ${KESTRELON_KEEP_APPDATA:-0} != 1 ]]; then
  rm -rf -- "$private_appdata"
fi
exit "$rc"
