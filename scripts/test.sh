#!/usr/bin/env bash
# Builds the three builds (host, windows-x64, windows-x86) and runs every test:
#   unit tests natively, Win32 and end-to-end tests under Wine in an Xvfb display.
# Usage: bash scripts/test.sh        (BENCH=1 also runs the host benchmarks)
# Exits non-zero when any step fails; the last lines are ctest's summaries.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/packages.sh

install_missing_packages || { echo "FAILED: package installation"; exit 1; }

failed=()
declare -A built=()
logs=build/test-logs
mkdir -p "$logs"

for preset in host windows-x64 windows-x86; do
  echo "==> Configure and build: $preset"
  # A configured folder re-configures itself when the CMake files change; configuring only a new
  # one saves a few seconds per run.
  if { [[ -f build/$preset/CMakeCache.txt ]] || cmake --preset "$preset" >"$logs/configure-$preset.log" 2>&1; } &&
     cmake --build --preset "$preset" -j8; then
    built[$preset]=1
  else
    [[ -f $logs/configure-$preset.log ]] && tail -n 30 "$logs/configure-$preset.log"
    failed+=("build $preset")
  fi
done

if [[ -n ${built[host]:-} ]] && compgen -G 'bench/*.cpp' >/dev/null; then
  echo "==> Build benchmarks (bench_host)"
  if cmake --build --preset host -j8 --target bench_host; then
    if [[ ${BENCH:-0} == 1 ]]; then
      echo "==> Run benchmarks"
      build/host/bench_host || failed+=("benchmarks")
    fi
  else
    failed+=("build bench_host")
  fi
fi

if [[ -n ${built[windows-x86]:-} && ! -f build/windows-x86/kestrelon.exe ]]; then
  echo "build/windows-x86/kestrelon.exe is missing"
  failed+=("windows-x86 kestrelon.exe")
fi

summaries=()
for preset in host windows-x64; do
  [[ -n ${built[$preset]:-} ]] || continue
  echo "==> Tests: $preset"
  if ! ctest --preset "$preset" --output-on-failure 2>&1 | tee "$logs/ctest-$preset.log"; then
    failed+=("tests $preset")
  fi
  while IFS= read -r line; do summaries+=("$preset: $line"); done \
    < <(grep -E 'tests passed|tests failed|No tests were found|Total Test time' "$logs/ctest-$preset.log")
done

echo
echo "==> Summary"
[[ -f build/windows-x86/kestrelon.exe ]] && echo "windows-x86: build/windows-x86/kestrelon.exe built"
for line in "${summaries[@]}"; do echo "$line"; done
if [[ ${#failed[@]} -gt 0 ]]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "All builds and tests passed."
