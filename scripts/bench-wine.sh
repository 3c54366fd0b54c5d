#!/usr/bin/env bash
# Runs the Wine benchmarks (bench/wine/*.cpp) of a 64-bit Windows build and prints their figures.
#   bash scripts/bench-wine.sh [BUILD_DIR]     (default: build/windows-x64, configured if needed)
# Each benchmark runs through scripts/wine-emulator.sh, in the build folder's own Wine prefix.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/windows-x64}

if [[ ! -f $build/CMakeCache.txt ]]; then
  (cd "$root" && cmake --preset windows-x64) || { echo "bench-wine: configure failed" >&2; exit 1; }
fi

benches=()
for src in "$root"/bench/wine/*.cpp; do
  [[ -e $src ]] && benches+=("$(basename "$src" .cpp)")
done
[[ ${#benches[@]} -gt 0 ]] || { echo "bench-wine: no benchmarks in bench/wine" >&2; exit 1; }

# Re-configure first: a benchmark added since the last configuration is otherwise no target yet.
cmake "$build" >/dev/null || { echo "bench-wine: configure failed" >&2; exit 1; }
cmake --build "$build" -j8 --target khelper "${benches[@]}" || { echo "bench-wine: build failed" >&2; exit 1; }

status=0
for b in "${benches[@]}"; do
  echo "==> $b"
  KESTRELON_BUILD_DIR=$build bash "$root/scripts/wine-emulator.sh" "$build/$b.exe" || status=1
done
exit $status
