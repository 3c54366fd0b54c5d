# Sourced by test.sh (and its own check, tests/scripts/test_report_check.sh): whether the 32-bit
# build's tests can run on this machine, what a test run skipped or tried again, and the last line.

# run_32bit_probe <build folder>: a trivial 32-bit program (the test helper, which ends at once with
# the exit code it is given) started the way every test starts; prints what it and the runner said
# and returns its exit code.
run_32bit_probe() {
  KESTRELON_APPDATA=wine bash scripts/wine-emulator.sh "$1/khelper.exe" --seconds 0 --exit 42 2>&1 >/dev/null
}

# decide_32bit <build folder>: why the probe gave what it gave. Prints one line and returns
#   0  the program ran (exit code 42)
#   2  the kernel refuses 32-bit code: the runner's own answer ("Exec format error", "cannot run
#      32-bit code"); the 32-bit tests cannot run here, and the run may say so and leave them out
#   1  anything else (a missing DLL, a broken build, a Wine fault): the run fails
decide_32bit() {
  local said rc
  said=$(run_32bit_probe "$1")
  rc=$?
  said=${said//$'\n'/ }
  if ((rc == 42)); then
    echo "a 32-bit program ran"
    return 0
  fi
  if [[ $said == *"Exec format error"* || $said == *"cannot run 32-bit code"* ]]; then
    echo "this machine refuses 32-bit code"
    return 2
  fi
  echo "a trivial 32-bit program did not run (exit code $rc): ${said:-no output}"
  return 1
}

# plan_32bit <build folder>: test.sh's decision from the probe. Sets x86_imports_only=1 and
# left_out[windows-x86] when the kernel refuses 32-bit code; adds to `failed` when the probe
# failed for any other reason (the 32-bit tests then run, and the run fails).
plan_32bit() {
  local verdict
  verdict=$(decide_32bit "$1")
  case $? in
    0) ;;
    2)
      x86_imports_only=1
      left_out[windows-x86]=$verdict
      notes+=("!!! windows-x86: $verdict: the shipped build's tests did NOT run (its import check did)")
      ;;
    *)
      failed+=("windows-x86: $verdict")
      notes+=("!!! windows-x86: $verdict")
      ;;
  esac
}

# test_notes <ctest's LastTest.log> [ctest's own output]: every skip and every retry of a ctest run,
# one line each: "SKIPPED: <test>: <reason>" or "RETRY: <test>: <reason>". Read are GoogleTest's
# skips (the reason is the message under "Skipped"), lines a test writes starting "SKIPPED:" or
# "RETRY:", and tests ctest itself lists as skipped (with their last line of output).
test_notes() {
  local log=$1 console=${2:-}
  [[ -f $log ]] || return 0
  local skipped=""
  [[ -n $console && -f $console ]] &&
    skipped=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$console" | tr '\n' ' ')
  awk -v skipped=" $skipped" '
    /^[0-9]+\/[0-9]+ Testing: / { test = $3; next }
    /^Output:$/ { getline; out = 1; last = ""; marked = ""; inskip = 0; next }
    /^<end of output>$/ {
      out = 0
      if (index(skipped, " " test " ")) print "SKIPPED: " test ": " (marked != "" ? marked : (last != "" ? last : "no output"))
      next
    }
    !out { next }
    { sub(/\r$/, "") }
    /: Skipped$/ { inskip = 1; reason = ""; next }
    /^\[  SKIPPED \] .*\([0-9]+ ms\)$/ {
      sub(/^(SKIPPED|RETRY): /, "", reason)
      print "SKIPPED: " test " " $4 ": " (reason != "" ? reason : "no reason given")
      inskip = 0
      next
    }
    inskip { if ($0 != "") reason = (reason == "" ? $0 : reason " " $0); next }
    /^(SKIPPED|RETRY): / {
      kind = substr($0, 1, index($0, ":"))
      rest = substr($0, length(kind) + 2)
      if (kind == "SKIPPED:") marked = rest
      print kind " " test ": " rest
      next
    }
    $0 != "" { last = $0 }
  ' "$log"
}

# join_names a b c: "a, b and c".
join_names() {
  local n=$# out="" i=0 name
  for name in "$@"; do
    i=$((i + 1))
    if ((i == 1)); then out=$name
    elif ((i == n)); then out+=" and $name"
    else out+=", $name"; fi
  done
  printf '%s' "$out"
}

# final_line <passed: 0|1> <builds whose tests ran...> -- <"build: why its tests did not run"...>
final_line() {
  local passed=$1 ran=() left=() reasons=""
  shift
  while (($#)) && [[ $1 != -- ]]; do ran+=("$1"); shift; done
  (($#)) && shift
  left=("$@")
  local entry
  for entry in "${left[@]}"; do
    reasons+="; the ${entry%%:*} tests did not run:${entry#*:}"
  done
  local names="no build"
  ((${#ran[@]})) && names=$(join_names "${ran[@]}")
  if ((passed)) && ((${#left[@]} == 0)); then
    echo "All builds and tests passed: $names."
  elif ((passed)); then
    echo "All $names tests passed$reasons"
  else
    echo "Tests FAILED (see above); ran $names$reasons"
  fi
}
