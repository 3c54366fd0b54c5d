#!/usr/bin/env bash
# Runs the Wine benchmarks (bench/wine/*.cpp) of the Windows builds and prints their figures, each
# beside its reference measured in the same run.
#   bash scripts/bench-wine.sh [BUILD_DIR...]
#       (default: build/windows-x64, and build/windows-x86 when it is configured)
# Each benchmark runs through scripts/wine-emulator.sh, in the build folder's own Wine prefix and
# inside the build's Xvfb (started here when the test run's is not up).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if (($# == 0)); then
  set -- "$root/build/windows-x64"
  [[ -f $root/build/windows-x86/CMakeCache.txt ]] && set -- "$@" "$root/build/windows-x86"
fi

benches=()
for src in "$root"/bench/wine/*.cpp; do
  [[ -e $src ]] && benches+=("$(basename "$src" .cpp)")
done
[[ ${#benches[@]} -gt 0 ]] || { echo "bench-wine: no benchmarks in bench/wine" >&2; exit 1; }

status=0
for build in "$@"; do
  build=$(realpath -m -- "$build")
  echo "######## $(basename "$build")"
  if [[ ! -f $build/CMakeCache.txt ]]; then
    (cd "$root" && cmake --preset "$(basename "$build")") || { echo "bench-wine: configure failed" >&2; status=1; continue; }
  fi
  # Re-configure first: a benchmark added since the last configuration is otherwise no target yet.
  cmake "$build" >/dev/null || { echo "bench-wine: configure failed" >&2; status=1; continue; }
  cmake --build "$build" -j8 --target khelper kestrelon "${benches[@]}" >/dev/null ||
    { echo "bench-wine: build failed" >&2; status=1; continue; }

  export KESTRELON_BUILD_DIR=$build KESTRELON_XVFB_FILE="$build/xvfb/display"
  own_xvfb=0
  display="" pid=""
  [[ -s $KESTRELON_XVFB_FILE ]] && read -r display pid <"$KESTRELON_XVFB_FILE"
  if [[ -z $pid ]] || ! kill -0 "$pid" 2>/dev/null; then
    bash "$root/scripts/xvfb-fixture.sh" start "$build" >/dev/null || { echo "bench-wine: no Xvfb" >&2; status=1; continue; }
    own_xvfb=1
    read -r display pid <"$KESTRELON_XVFB_FILE"
  fi
  export DISPLAY=":$display"
  for b in "${benches[@]}"; do
    echo "==> $b"
    bash "$root/scripts/wine-emulator.sh" "$build/$b.exe" || status=1
  done
  ((own_xvfb)) && bash "$root/scripts/xvfb-fixture.sh" stop "$build" >/dev/null
done
exit $status
