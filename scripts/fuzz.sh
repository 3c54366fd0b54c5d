#!/usr/bin/env bash
# Builds the task-list reader's fuzz target with the machine's clang
# (libFuzzer + AddressSanitizer + UndefinedBehaviorSanitizer) and runs it for
# a bounded time.
#   scripts/fuzz.sh [seconds]      default 60
# Output: build/fuzz/task_file_fuzz, corpus in build/fuzz/corpus, any crash
# input in build/fuzz/ (crash-*, leak-*, timeout-*). Exit status is non-zero
# when the fuzzer found a problem.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
out="$here/build/fuzz"
mkdir -p "$out/corpus"

cxx="${CLANGXX:-}"
if [[ -z "$cxx" ]]; then
  for c in clang++ clang++-16 clang++-15 clang++-14; do
    if command -v "$c" >/dev/null; then cxx="$c"; break; fi
  done
fi
[[ -n "$cxx" ]] || { echo "fuzz.sh: no clang++ found" >&2; exit 1; }

src="$here/src"
sources=(
  "$here/tests/fuzz/task_file_fuzz.cpp"
  "$src/mainwindow/scheduler/TaskFiles.cpp"
  "$src/mainwindow/scheduler/TaskRow.cpp"
  "$src/mainwindow/scheduler/DateTime.cpp"
  "$src/services/FileStore.cpp"
  "$src/services/GetFile.cpp"
  "$src/services/CommonDlgsW_filter.cpp"
)
echo "fuzz.sh: building with $cxx"
"$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$src" "${sources[@]}" -o "$out/task_file_fuzz"

# A few seeds in the file's own shape.
printf 'notepad.exe\tC:\\Windows\\notepad.exe\t00000\t2026/12/08 09:10:00\tNone\tClose - After 00-00-10-00\tShutdown PC - Q\r\n' \
  >"$out/corpus/seed-close-after"
printf 'a\tb\r\n\r\n"x",y\t\t\t\t\tRun - AfterNoMouseMoving 99999999-1-1-1\t - Q' >"$out/corpus/seed-mixed"
printf 'Empty\tNone\tNone\t12/8/2026 10:30:00 AM\t00/01/00 (Day/Hour/Min)\tClose - Normal\t\r' >"$out/corpus/seed-cr"

cd "$out"
"./task_file_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 corpus
