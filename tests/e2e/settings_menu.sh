#!/usr/bin/env bash
# End-to-end: the Setting menu's "Auto Start on Windows Booting" and "Start Mode" items under
# Wine and Xvfb, read back from the Wine prefix's registry (reg.exe) and the APPDATA folder.
#   - autostart on writes HKCU\...\Run value "kestrelon" with the program's path, in quotes when
#     the path has a blank (the program is run from a copy in ".../Program Files/"); off deletes it
#   - "Hide to Tray" writes knstartm.ini ("Yes" CR LF), "Normal" deletes it; one mark at a time
# Run by hand from a build folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/settings_menu.sh
set -uo pipefail
name=settings_menu
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.bash"

RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
AUTOSTART="Setting/Auto Start on Windows Booting"
TRAY="Setting/Start Mode/Hide to Tray"
NORMAL="Setting/Start Mode/Normal"

# The data of the autostart value, or nothing when there is none.
autostart_value() {
  wine_reg query "$RUN_KEY" /v kestrelon 2>/dev/null | tr -d '\r' |
    awk '$1 == "kestrelon" && $2 == "REG_SZ" { sub(/^[ \t]*kestrelon[ \t]+REG_SZ[ \t]+/, ""); print }'
}
delete_autostart() { wine_reg delete "$RUN_KEY" /v kestrelon /f >/dev/null 2>&1; }
# The value is shared by every program of the prefix: never leave it behind.
trap 'delete_autostart; session_cleanup' EXIT

marks() { echo "$(drv menu-checked "$CLASS" "$TITLE" "$TRAY") $(drv menu-checked "$CLASS" "$TITLE" "$NORMAL")"; }
marker() { if [[ -f $appdata/knstartm.ini ]]; then od -An -c <"$appdata/knstartm.ini" | tr -s ' '; else echo none; fi; }

rm -rf -- "$work"
mkdir -p -- "$work" "$artifacts"
close_leftovers
delete_autostart

# The program and the files it reads from its own folder, in a folder whose path has a blank.
program_dir="$work/Program Files/Kestrelon"
mkdir -p -- "$program_dir"
cp -- "$exe" "$program_dir/"
for f in "$(dirname "$exe")"/*.ini "$(dirname "$exe")"/*.dll; do [[ -e $f ]] && cp -- "$f" "$program_dir/"; done
exe="$program_dir/kestrelon.exe"
windows_exe="Z:${exe//\//\\}"

appdata="$work/appdata"
mkdir -p -- "$appdata"
pid=$(start_program "$appdata") || { fail "the program could not be started"; finish; }
shown=$(drv wait-visible "$CLASS" "$TITLE" 30000)
check "main window visible" "$pid" "$shown"
[[ $shown == "$pid" ]] || { drv windows | sed 's/^/      /'; finish; }

# --- autostart ----------------------------------------------------------------------------------
section "Auto Start on Windows Booting"
check "no autostart value: the mark starts clear" "0" "$(drv menu-checked "$CLASS" "$TITLE" "$AUTOSTART")"
drv menu-click "$CLASS" "$TITLE" "$AUTOSTART" >/dev/null || fail "click \"Auto Start on Windows Booting\""
check "on: the mark is set" "1" "$(drv menu-checked "$CLASS" "$TITLE" "$AUTOSTART")"
check "on: no error message" "0" "$(dialogs_of "$pid")"
check "on: value \"kestrelon\" holds the quoted program path" "\"$windows_exe\"" "$(autostart_value)"
drv menu-click "$CLASS" "$TITLE" "$AUTOSTART" >/dev/null || fail "click \"Auto Start on Windows Booting\" again"
check "off: the mark is clear" "0" "$(drv menu-checked "$CLASS" "$TITLE" "$AUTOSTART")"
check "off: the value is deleted" "" "$(autostart_value)"
check "off: no error message" "0" "$(dialogs_of "$pid")"

# --- start mode ---------------------------------------------------------------------------------
section "Start Mode"
check "no marker: \"Normal\" is the checked mode" "0 1" "$(marks)"
drv menu-click "$CLASS" "$TITLE" "$TRAY" >/dev/null || fail "click \"Hide to Tray\""
check "\"Hide to Tray\": its mark only" "1 0" "$(marks)"
check "\"Hide to Tray\": knstartm.ini holds \"Yes\" CR LF" " Y e s \r \n" "$(marker)"
check "\"Hide to Tray\": the window stays visible" "1" "$(drv is-visible "$CLASS" "$TITLE")"
drv menu-click "$CLASS" "$TITLE" "$TRAY" >/dev/null || fail "click \"Hide to Tray\" again"
check "\"Hide to Tray\" twice: still its mark only" "1 0" "$(marks)"
drv menu-click "$CLASS" "$TITLE" "$NORMAL" >/dev/null || fail "click \"Normal\""
check "\"Normal\": its mark only" "0 1" "$(marks)"
check "\"Normal\": knstartm.ini is deleted" "none" "$(marker)"
drv menu-click "$CLASS" "$TITLE" "$NORMAL" >/dev/null || fail "click \"Normal\" again"
check "\"Normal\" without a marker: no error message" "0" "$(dialogs_of "$pid")"

drv close "$CLASS" "$TITLE" 15000 >/dev/null || fail "the program ends on WM_CLOSE"
check "the closed program saved autostart off in knsetting.ini line 2" "0" \
  "$(sed -n 2p "$appdata/knsetting.ini" 2>/dev/null | tr -d '\r')"
finish
