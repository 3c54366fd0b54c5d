#!/usr/bin/env bash
# End-to-end: the "Languages" menu of kestrelon.exe under Wine and Xvfb, driven by kdriver.exe.
#   1. "Deutsch" turns the task list's headers and the "Task" menu German and leaves knde.dat
#      ("de" CR LF) as the only marker
#   2. a new start with that marker comes up in German, "Deutsch" checked
#   3. "Chinese" sets the window title to the Chinese product name and leaves only kncn.dat; the
#      captions are Chinese (the language files are UTF-8 and this system is English); "Polski"
#      gives the Polish captions with their own letters (screenshots languages-chinese.png and
#      languages-polish.png)
#   4. "English" leaves no marker at all, and the next start is in English again
# The menus are found by position (the captions change with the language): the third menu of
# the bar is the language menu; its entries keep their fixed captions.
# Run by hand from a build folder:  KESTRELON_BUILD_DIR=$PWD bash ../../tests/e2e/languages.sh
set -uo pipefail
name=languages
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.bash"

GERMAN_HEADERS=$'Symbol\nProgramm\nPfad\nID\nSchließzeit\nWiederholung\nTyp\nNach der Aufgabe'
ENGLISH_HEADERS=$'Icon\nProgram\nPath\nID\nClose Time\nLoop\nType\nAfter the Task Finished'
CHINESE_TITLE=凯斯雀伦

# Caption of the n-th menu of the bar (from 1).
bar_caption() { drv menu-items "$CLASS" - | sed -n "${1}p" | cut -f1; }
# Clicks an entry of the language menu, whatever the menu's own caption is now.
choose_language() {  # choose_language <entry caption>
  local menu
  menu=$(bar_caption 3)
  drv menu-click "$CLASS" - "$menu/$1" >/dev/null || fail "click \"$1\" in the language menu (\"$menu\")"
}
language_checked() { drv menu-checked "$CLASS" - "$(bar_caption 3)/$1"; }
headers() { drv headers "$CLASS" -; }
# The marker files in the APPDATA folder, one name per line.
markers() { (cd "$1" && ls -A | grep -E '^kn.*\.dat$' | sort); }
# The title of the main window of one process.
title_of() { drv windows | awk -F'\t' -v pid="$1" -v cls="$CLASS" '$2 == pid && $4 == cls { print $5 }'; }

# Starts the program and waits for its main window; sets `pid` (not run in a subshell, so that
# the clean-up knows the process).
start_main() {  # start_main <appdata> <what>
  local shown
  pid=$(drv start --appdata "$1" "$exe") || { fail "$2: the program could not be started"; return 1; }
  started+=("$pid")
  shown=$(drv wait-visible "$CLASS" - 30000)
  if [[ $shown != "$pid" ]]; then
    fail "$2: main window visible"
    drv windows | sed 's/^/      /'
    return 1
  fi
}
close_main() {  # close_main <what>
  drv close "$CLASS" - 15000 >/dev/null || fail "$1: the program ends on WM_CLOSE"
}

rm -rf -- "$work"
mkdir -p -- "$work" "$artifacts"
close_leftovers
# The test display's fonts have no Chinese letters; Wine finds them in the CJK font package
# (scripts/packages.sh) through the prefix's font links, as Windows finds its own.
if fc-list | grep -qi 'WenQuanYi Micro Hei'; then
  for face in Verdana Tahoma 'DejaVu Sans' 'MS Shell Dlg' 'MS Shell Dlg 2'; do
    wine_reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
fi
appdata="$work/appdata"
mkdir -p -- "$appdata"

# --- 1. switching to German -----------------------------------------------------------------------
section "\"Deutsch\" from the menu"
start_main "$appdata" "first start" || finish
check "first start: English headers" "$ENGLISH_HEADERS" "$(headers)"
check "first start: \"English\" checked" "1" "$(language_checked English)"
choose_language Deutsch
if poll 15 1 language_checked Deutsch; then
  pass "\"Deutsch\" is checked"
  check "only \"Deutsch\" is checked" "0 0" "$(language_checked English) $(language_checked Chinese)"
  poll 10 "$GERMAN_HEADERS" headers || true
  check "the task list's headers are German" "$GERMAN_HEADERS" "$(headers)"
  check "the \"Task\" menu is called \"Aufgabe\"" "Aufgabe" "$(bar_caption 1)"
  check "the language menu is called \"Sprachen\"" "Sprachen" "$(bar_caption 3)"
  check "the title stays \"Kestrelon\"" "Kestrelon" "$(title_of "$pid")"
  poll 10 knde.dat markers "$appdata" || true
  check "knde.dat is the only marker" "knde.dat" "$(markers "$appdata")"
  check "knde.dat holds \"de\" CR LF" "$(printf 'de\r\n' | od -An -c)" "$(od -An -c <"$appdata/knde.dat" 2>/dev/null)"
else
  fail "\"Deutsch\" is checked within 15 s"
fi
close_main "German"
end_started

# --- 2. the next start ----------------------------------------------------------------------------
section "the next start keeps German"
if start_main "$appdata" "second start"; then
  poll 10 "$GERMAN_HEADERS" headers || true
  check "second start: German headers" "$GERMAN_HEADERS" "$(headers)"
  check "second start: \"Aufgabe\" menu" "Aufgabe" "$(bar_caption 1)"
  check "second start: \"Deutsch\" checked, \"English\" not" "1 0" "$(language_checked Deutsch) $(language_checked English)"

  # --- 3. Chinese ---------------------------------------------------------------------------------
  section "\"Chinese\" from the menu"
  choose_language Chinese
  if poll 15 "$CHINESE_TITLE" title_of "$pid"; then pass "the title is \"$CHINESE_TITLE\""; else
    check "the title is \"$CHINESE_TITLE\"" "$CHINESE_TITLE" "$(title_of "$pid")"
  fi
  check "only \"Chinese\" is checked" "1 0" "$(language_checked Chinese) $(language_checked Deutsch)"
  poll 10 kncn.dat markers "$appdata" || true
  check "kncn.dat replaced knde.dat" "kncn.dat" "$(markers "$appdata")"
  # The UTF-8 file reads right on this English system: Chinese captions, not mojibake.
  check "the task list's headers are Chinese" $'图标\n程序\n路径\nID\n关闭时间\n重复\n类型\n任务完成后' "$(headers)"
  check "the \"Task\" menu is called \"任务\"" "任务" "$(bar_caption 1)"
  check "the \"Add a Task\" button reads \"添加任务\"" "1" "$(drv children "$CLASS" - | awk -F'\t' '$5 == "添加任务"' | wc -l)"
  drv raise "$CLASS" - >/dev/null 2>&1 && import -window root "$artifacts/languages-chinese.png" 2>/dev/null

  # --- 3b. Polish, whose file was cp1250 before it was UTF-8 ----------------------------------------
  section "\"Polski\" from the menu"
  choose_language Polski
  if poll 15 1 language_checked Polski; then pass "\"Polski\" is checked"; else fail "\"Polski\" is checked within 15 s"; fi
  poll 10 "Zadanie" bar_caption 1 || true
  check "the \"Task\" menu is called \"Zadanie\"" "Zadanie" "$(bar_caption 1)"
  check "the task list's headers are Polish" $'Ikona\nProgram\nŚcieżka\nID\nCzas zamknięcia\nPowtarzanie\nTyp\nPo zakończeniu zadania' \
    "$(headers)"
  check "the language menu is called \"Języki\"" "Języki" "$(bar_caption 3)"
  drv raise "$CLASS" - >/dev/null 2>&1 && import -window root "$artifacts/languages-polish.png" 2>/dev/null

  # --- 4. English ---------------------------------------------------------------------------------
  section "\"English\" from the menu"
  : >"$appdata/knen.dat"  # a stray English marker is deleted as well
  choose_language English
  if poll 15 1 language_checked English; then pass "\"English\" is checked"; else fail "\"English\" is checked within 15 s"; fi
  poll 10 "" markers "$appdata" || true
  check "no marker file remains" "" "$(markers "$appdata")"
  check "the title is \"Kestrelon\" again" "Kestrelon" "$(title_of "$pid")"
  check "English headers" "$ENGLISH_HEADERS" "$(headers)"
  check "the \"Task\" menu is \"Task\" again" "Task" "$(bar_caption 1)"
  close_main "English"
fi
end_started

section "the next start is in English"
if start_main "$appdata" "third start"; then
  check "third start: English headers" "$ENGLISH_HEADERS" "$(headers)"
  check "third start: \"English\" checked" "1" "$(drv menu-checked "$CLASS" - "Languages/English")"
  close_main "third start"
fi
end_started

finish
