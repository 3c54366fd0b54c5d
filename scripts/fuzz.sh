#!/usr/bin/env bash
# Builds the readers' fuzz targets (tests/fuzz/*_fuzz.cpp) with the machine's clang
# (libFuzzer + AddressSanitizer + UndefinedBehaviorSanitizer) and runs each of them.
#   scripts/fuzz.sh [seconds]            each target for that long (default 60)
#   scripts/fuzz.sh --runs N             each target for N inputs
#   FUZZ_TARGETS="settings_fuzz" ...     only these targets
# Each target starts from its seeds in tests/fuzz/corpus/<name>/ (kept in the repository) and
# grows a working corpus in build/fuzz/corpus/<name>/. A crash, a leak or an input that takes
# longer than a second lands in build/fuzz/artifacts/ and makes the exit status non-zero.
# The last lines give, per target, the inputs run and what was found.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
limit=(-max_total_time="${1:-60}")
if [[ ${1:-} == --runs ]]; then limit=(-runs="${2:?--runs N}"); fi
out="$here/build/fuzz"

cxx="${CLANGXX:-}"
if [[ -z "$cxx" ]]; then
  for c in clang++ clang++-16 clang++-15 clang++-14; do
    if command -v "$c" >/dev/null; then cxx="$c"; break; fi
  done
fi
[[ -n "$cxx" ]] || { echo "fuzz.sh: no clang++ found" >&2; exit 1; }

if [[ ! -f $out/CMakeCache.txt ]]; then
  cmake -S "$here/tests/fuzz" -B "$out" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE= >/dev/null
fi
cmake --build "$out" -j"${FUZZ_JOBS:-8}" >"$out/build.log" 2>&1 || { tail -n 30 "$out/build.log"; exit 1; }

targets=(${FUZZ_TARGETS:-})
if [[ ${#targets[@]} -eq 0 ]]; then
  for src in "$here"/tests/fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

status=0
summary=()
mkdir -p "$out/artifacts"
for t in "${targets[@]}"; do
  corpus="$out/corpus/$t"
  seeds="$here/tests/fuzz/corpus/${t%_fuzz}"
  mkdir -p "$corpus"
  dirs=("$corpus")
  [[ -d $seeds ]] && dirs+=("$seeds")
  log="$out/$t.log"
  echo "==> $t"
  set +e
  ASAN_OPTIONS=detect_leaks=1 "$out/$t" "${limit[@]}" -max_len=65536 -timeout=1 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$out/artifacts/$t-" "${dirs[@]}" >"$log" 2>&1
  rc=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units:[[:space:]]*//p' "$log" | tail -n 1 || true)
  found=$(grep -E '^==[0-9]+==ERROR|^SUMMARY|ALARM: working on the last Unit|Test unit written to' "$log" | head -n 3 | tr '\n' ' ' || true)
  if [[ $rc -ne 0 ]]; then status=1; tail -n 40 "$log"; fi
  summary+=("$t: ${runs:-?} runs, exit $rc${found:+, found: $found}")
done
echo
printf '%s\n' "${summary[@]}"
exit $status
