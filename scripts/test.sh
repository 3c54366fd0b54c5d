#!/usr/bin/env bash
# Builds every build and runs every test:
#   host           the portable code's unit tests, natively
#   host-sanitize  the same unit tests unoptimised, with address and undefined-behaviour sanitizers
#   windows-x64    Win32 and end-to-end tests under Wine in an Xvfb display
#   windows-x86    the same tests against the shipped 32-bit program (WoW64, its own prefix)
# The two Windows test runs go side by side, each with its own Wine prefix and display.
# Usage: bash scripts/test.sh        (BENCH=1 also runs the host benchmarks)
# Exits non-zero when any step fails. The summary gives ctest's totals, every skip and retry of
# the tests, and a last line naming every build whose tests ran and every one left out, and why.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/packages.sh
source scripts/test-report.bash

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

# The shipped build is the 32-bit one: its tests are left out only when this machine's kernel
# refuses 32-bit code, and the summary says so; any other failure of a trivial 32-bit program (a
# missing DLL, a broken build) fails the run. The import check of the 32-bit program reads its
# files only and runs in any case.
declare -A left_out=()
x86_imports_only=0
if [[ -n ${built[windows-x86]:-} ]]; then
  plan_32bit build/windows-x86
fi

run_ctest() {  # run_ctest <preset> [ctest arguments]: ctest's whole output goes to its log
  local preset=$1
  shift
  ctest --preset "$preset" --output-on-failure "$@" >"$logs/ctest-$preset.log" 2>&1
  local rc=$?
  # ctest keeps every test's output only in its own log; the next run of the preset replaces it.
  cp -f "build/$preset/Testing/Temporary/LastTest.log" "$logs/lasttest-$preset.log" 2>/dev/null ||
    rm -f "$logs/lasttest-$preset.log"
  return $rc
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
  if [[ $preset == windows-x86 ]] && ((x86_imports_only)); then
    echo "==> Tests: $preset, its import check only (log: $logs/ctest-$preset.log)"
    run_ctest "$preset" -R '^imports$' &
  else
    echo "==> Tests: $preset (log: $logs/ctest-$preset.log)"
    run_ctest "$preset" &
  fi
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
test_notes_lines=()
for preset in host host-sanitize windows-x64 windows-x86; do
  [[ -f $logs/ctest-$preset.log && -n ${built[$preset]:-} ]] || continue
  while IFS= read -r line; do summaries+=("$preset: $line"); done \
    < <(grep -E 'tests passed|tests failed|No tests were found|Total Test time' "$logs/ctest-$preset.log")
  while IFS= read -r line; do test_notes_lines+=("$preset: $line"); done \
    < <(test_notes "$logs/lasttest-$preset.log" "$logs/ctest-$preset.log")
done

# What ran, and what did not and why.
ran=() not_run=()
for preset in host host-sanitize windows-x64 windows-x86; do
  if [[ -n ${left_out[$preset]:-} ]]; then
    not_run+=("$preset: ${left_out[$preset]} (only its import check ran)")
  elif [[ -n ${built[$preset]:-} ]]; then
    ran+=("$preset")
  else
    not_run+=("$preset: its build failed")
  fi
done

echo
echo "==> Summary ($((SECONDS - started)) s)"
for line in "${notes[@]}"; do echo "$line"; done
for line in "${summaries[@]}"; do echo "$line"; done
echo "Skips and retries: ${#test_notes_lines[@]}"
for line in "${test_notes_lines[@]}"; do echo "  $line"; done
if [[ ${#failed[@]} -gt 0 ]]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  final_line 0 "${ran[@]}" -- "${not_run[@]}"
  exit 1
fi
final_line 1 "${ran[@]}" -- "${not_run[@]}"
