#!/usr/bin/env bash
# Checks the decisions scripts/test.sh makes about a test run (scripts/test-report.bash):
#   - the 32-bit tests are left out only when the kernel refuses 32-bit code; a trivial 32-bit
#     program that fails for another reason fails the run (the probe's answer is a stand-in here);
#   - every skip and retry of a ctest log is listed with its test and reason;
#   - the last line names every build whose tests ran and every one left out, with the reason.
# Run by ctest in the host build:  bash tests/scripts/test_report_check.sh
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
source scripts/test-report.bash

failures=0
check() {  # check <what> <expected> <actual>
  if [[ $2 == "$3" ]]; then
    echo "ok: $1"
  else
    echo "FAILED: $1"
    echo "  expected: $2"
    echo "  actual:   $3"
    failures=$((failures + 1))
  fi
}

# The probe's answer: what the runner and the program said, and the exit code.
probe_said="" probe_rc=0
run_32bit_probe() { [[ -n $probe_said ]] && echo "$probe_said"; return "$probe_rc"; }
verdict() {  # verdict <exit code> <output> -> "<decision's exit code> <its line>"
  probe_rc=$1 probe_said=$2
  local line
  line=$(decide_32bit build/windows-x86)
  echo "$? $line"
}

check "the program ran" "0 a 32-bit program ran" "$(verdict 42 "")"
check "the runner's answer on a kernel without 32-bit support" "2 this machine refuses 32-bit code" \
  "$(verdict 1 "wine-emulator: khelper.exe is a 32-bit program and this machine cannot run 32-bit code (the kernel refuses Wine's 32-bit loader: Exec format error)")"
check "the kernel's own answer" "2 this machine refuses 32-bit code" \
  "$(verdict 126 "bash: /usr/lib/wine/wine: cannot execute binary file: Exec format error")"
check "a 32-bit program importing a missing DLL fails the run" \
  "1 a trivial 32-bit program did not run (exit code 53): wine: could not load kernel32.dll, status c0000135" \
  "$(verdict 53 "wine: could not load kernel32.dll, status c0000135")"
check "a loader that fails otherwise fails the run" \
  "1 a trivial 32-bit program did not run (exit code 1): wine-emulator: khelper.exe is a 32-bit program and Wine's 32-bit loader fails to start: wine: failed to initialize" \
  "$(verdict 1 "wine-emulator: khelper.exe is a 32-bit program and Wine's 32-bit loader fails to start: wine: failed to initialize")"
check "a silent wrong exit code fails the run" "1 a trivial 32-bit program did not run (exit code 0): no output" \
  "$(verdict 0 "")"

# The decision as test.sh takes it: only the refusal leaves the 32-bit tests out; another failure
# runs them and fails the run.
take() {  # take <exit code> <output>: what test.sh plans after the probe
  probe_rc=$1 probe_said=$2
  local failed=() notes=() x86_imports_only=0
  local -A left_out=()
  plan_32bit build/windows-x86
  echo "imports only: $x86_imports_only; left out: ${left_out[windows-x86]:-none}; failed: ${failed[*]:-nothing}"
}
check "test.sh: the kernel's refusal leaves all but the import check out" \
  "imports only: 1; left out: this machine refuses 32-bit code; failed: nothing" \
  "$(take 126 "bash: /usr/lib/wine/wine: cannot execute binary file: Exec format error")"
check "test.sh: a probe that fails for another reason fails the run" \
  "imports only: 0; left out: none; failed: windows-x86: a trivial 32-bit program did not run (exit code 53): no output" \
  "$(take 53 "")"
check "test.sh: a probe that ran leaves nothing out" "imports only: 0; left out: none; failed: nothing" "$(take 42 "")"

# Skips and retries as ctest's log holds them.
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
cat >"$work/LastTest.log" <<'EOF'
Start testing: Dec 09 21:50 UTC
----------------------------------------------------------
3/9 Testing: win32_tests
3/9 Test: win32_tests
Output:
----------------------------------------------------------
[ RUN      ] Architecture.ProgramOfTheOtherArchitectureIsNamedListedAndEnded
Z:\tests\win32\architecture_test.cpp(95): Skipped
SKIPPED: the kernel refuses 32-bit code (Exec format error)
[  SKIPPED ] Architecture.ProgramOfTheOtherArchitectureIsNamedListedAndEnded (12 ms)
[ RUN      ] CommonDialogs.Open
/src/tests/win32/common_dialogs_test.cpp:162: Skipped
needs a display
[  SKIPPED ] CommonDialogs.Open (0 ms)
[  PASSED  ] 300 tests.
[  SKIPPED ] 2 tests, listed below:
[  SKIPPED ] Architecture.ProgramOfTheOtherArchitectureIsNamedListedAndEnded
<end of output>
Test time =   9.00 sec
----------------------------------------------------------
Test Passed.
----------------------------------------------------------

4/9 Testing: e2e.locales
4/9 Test: e2e.locales
Output:
----------------------------------------------------------
  ok  something
RETRY: en -> de, first run: no main window after 60 s (process alive; windows: none)
kdriver output
<end of output>
Test time =   9.00 sec
----------------------------------------------------------
Test Passed.
----------------------------------------------------------

5/9 Testing: e2e.picker
5/9 Test: e2e.picker
Output:
----------------------------------------------------------
  ok  the picker
the last line it wrote
<end of output>
Test time =   9.00 sec
----------------------------------------------------------
Test Passed.
----------------------------------------------------------
EOF
printf '%s\n' "The following tests did not run:" "	  5 - e2e.picker (Skipped)" >"$work/console.log"
check "skips and retries with their tests and reasons" \
"SKIPPED: win32_tests Architecture.ProgramOfTheOtherArchitectureIsNamedListedAndEnded: the kernel refuses 32-bit code (Exec format error)
SKIPPED: win32_tests CommonDialogs.Open: needs a display
RETRY: e2e.locales: en -> de, first run: no main window after 60 s (process alive; windows: none)
SKIPPED: e2e.picker: the last line it wrote" \
  "$(test_notes "$work/LastTest.log" "$work/console.log")"
check "no log, no notes" "" "$(test_notes "$work/missing.log")"

# The last line.
check "everything ran" "All builds and tests passed: host, host-sanitize, windows-x64 and windows-x86." \
  "$(final_line 1 host host-sanitize windows-x64 windows-x86 --)"
check "the 32-bit tests left out" \
  "All host, host-sanitize and windows-x64 tests passed; the windows-x86 tests did not run: this machine refuses 32-bit code (only its import check ran)" \
  "$(final_line 1 host host-sanitize windows-x64 -- "windows-x86: this machine refuses 32-bit code (only its import check ran)")"
check "a failed run says what ran and what did not" \
  "Tests FAILED (see above); ran host and host-sanitize; the windows-x64 tests did not run: its build failed; the windows-x86 tests did not run: its build failed" \
  "$(final_line 0 host host-sanitize -- "windows-x64: its build failed" "windows-x86: its build failed")"

((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
