#!/usr/bin/env bash
# Builds every build and runs every test:
#   host           the portable code's unit tests, natively
#   host-sanitize  the same unit tests unoptimised, with address and undefined-behaviour sanitizers
#   windows-x64    Win32 and end-to-end tests under Wine in an Xvfb display
#   windows-x86    the same tests against the shipped 32-bit program (WoW64, its own prefix)
# The two Windows test runs go side by side, each with its own Wine prefix and display.
# Usage: bash scripts/test.sh        (BENCH=1 also runs the host benchmarks)
# Exits non-zero when any step fails; the last lines are ctest's summaries.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/packages.sh

install_missing_packages || { echo "FAILED: package installation"; exit 1; }

started=$SECONDS
failed=()
notes=()
# The two Windows builds need about 3 GB between them (a Wine prefix each, shared by their dpi
# and locale prefixes); a full disk shows up as dozens of unrelated end-to-end failures.
free_kb=$(df -Pk . | awk 'NR == 2 { print $4 }')
if [[ -n $free_kb ]] && ((free_kb < 4 * 1024 * 1024)); then
  notes+=("!!! only $((free_kb / 1024)) MB free on this disk: the Windows tests need about 3 GB")
  echo "${notes[-1]}"
fi
declare -A built=()
logs=build/test-logs
mkdir -p "$logs"

for preset in host host-sanitize windows-x64 windows-x86; do
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

# The shipped build is the 32-bit one: its tests run unless this machine cannot run 32-bit code
# at all, and then the summary says so loudly. A trivial 32-bit program tells: the test helper
# ends at once with the exit code it is given.
if [[ -n ${built[windows-x86]:-} ]]; then
  probe=$(KESTRELON_APPDATA=wine bash scripts/wine-emulator.sh build/windows-x86/khelper.exe \
            --seconds 0 --exit 42 2>&1 >/dev/null; echo "rc=$?")
  if [[ $probe != *rc=42 ]]; then
    unset 'built[windows-x86]'
    notes+=("!!! windows-x86: THIS MACHINE CANNOT RUN 32-BIT WINDOWS PROGRAMS: the shipped build's tests did NOT run")
    notes+=("!!! (a trivial 32-bit program gave: ${probe//$'\n'/ })")
  fi
fi

run_ctest() {  # run_ctest <preset>: ctest's whole output goes to its log
  ctest --preset "$1" --output-on-failure >"$logs/ctest-$1.log" 2>&1
}

# Unit tests first (seconds), then both Windows runs at once.
for preset in host host-sanitize; do
  [[ -n ${built[$preset]:-} ]] || continue
  echo "==> Tests: $preset"
  run_ctest "$preset" || failed+=("tests $preset")
  grep -E 'tests passed|tests failed|^[0-9]+% tests|The following tests FAILED|\*\*\*Failed|Failed  ' \
    "$logs/ctest-$preset.log" | tail -n 20
done

declare -A pids=()
for preset in windows-x64 windows-x86; do
  [[ -n ${built[$preset]:-} ]] || continue
  echo "==> Tests: $preset (log: $logs/ctest-$preset.log)"
  run_ctest "$preset" &
  pids[$preset]=$!
done
for preset in windows-x64 windows-x86; do
  [[ -n ${pids[$preset]:-} ]] || continue
  wait "${pids[$preset]}" || failed+=("tests $preset")
  echo
  echo "==> Output of the $preset tests"
  cat "$logs/ctest-$preset.log"
done

summaries=()
for preset in host host-sanitize windows-x64 windows-x86; do
  [[ -f $logs/ctest-$preset.log && -n ${built[$preset]:-} ]] || continue
  while IFS= read -r line; do summaries+=("$preset: $line"); done \
    < <(grep -E 'tests passed|tests failed|No tests were found|Total Test time' "$logs/ctest-$preset.log")
done

echo
echo "==> Summary ($((SECONDS - started)) s)"
for line in "${notes[@]}"; do echo "$line"; done
for line in "${summaries[@]}"; do echo "$line"; done
if [[ ${#failed[@]} -gt 0 ]]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "All builds and tests passed."
