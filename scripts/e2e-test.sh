#!/usr/bin/env bash
# Runs one end-to-end test script (tests/e2e/<name>.sh) for ctest: bash scripts/e2e-test.sh <script>
# The script finds in its environment:
#   KESTRELON_BUILD_DIR  the build folder           KESTRELON_EXE     kestrelon.exe
#   KESTRELON_DRIVER     kdriver.exe                 KESTRELON_EMULATOR scripts/wine-emulator.sh
#   DISPLAY              the test run's Xvfb display (for xdotool and `import -window root`)
# and starts Windows programs with: bash "$KESTRELON_EMULATOR" "$KESTRELON_EXE" [args...]
# (set KESTRELON_APPDATA to one folder to give the program and the driver the same APPDATA).
set -uo pipefail
script=${1:?usage: e2e-test.sh script.sh}
if [[ -n ${KESTRELON_XVFB_FILE:-} && -s $KESTRELON_XVFB_FILE ]]; then
  read -r display _ <"$KESTRELON_XVFB_FILE"
  export DISPLAY=":$display"
fi
exec bash "$script"
