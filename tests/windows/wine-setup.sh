#!/usr/bin/env bash
# The setup program in a fresh wine prefix, as a user would meet it: a
# silent install under Program Files, the programs' versions in their file
# properties and in the uninstall entry, the installed mirrex-cli.exe against
# mirrex-devsim through a COM port, the Start-menu entry (what it starts, in
# which folder, and that it opens the wizard), a .klx41 file opened with the
# wizard on the page of the file to replicate, a silent uninstall that
# removes the programs, the entry and the file type and leaves the user's
# settings and files, and an install into a folder given with /D=.
# Usage: wine-setup.sh SETUP.exe DEVSIM SETUP_PROBE.exe WIZARD_PROBE.exe WORKDIR
# Needs MIRREX_WINE and DISPLAY (a virtual display); makes its own prefix in
# WORKDIR and ends its server.
set -euo pipefail
setup=$1 devsim=$2 setup_probe=$3 wizard_probe=$4 work=$5
mkdir -p "$work"
export WINEPREFIX="$work/prefix"
devsim=$2
. "$(dirname "$0")/wine-test-kit.sh"
devsim_pid=""
cleanup() {
  [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT
# Standard input from /dev/null, not closed: the uninstaller starts a copy
# of itself, and a closed descriptor would be taken by wine's own sockets.
wine_run() { local log=$1; shift; "$MIRREX_WINE" "$@" </dev/null >"$work/$log.out" 2>"$work/$log.err"; }

"$MIRREX_WINE" wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w
"$devsim" --no-alias --exit-with-parent --random-areas 31:200,100,50,20 >"$work/devsim.out" 2>"$work/devsim.err" &
devsim_pid=$!
for _ in $(seq 100); do [ -s "$work/devsim.out" ] && break; sleep 0.1; done
wine_run ports reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$(head -n 1 "$work/devsim.out")" /f
wineserver -k; wineserver -w
wineserver -p >"$work/wineserver.log" 2>&1

program_files="$WINEPREFIX/drive_c/Program Files/Mirrex"
start_menu() { find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name '*тиражирование*.lnk' 2>/dev/null; }

if wine_run install "$setup" /S && [ -f "$program_files/mirrex.exe" ] && [ -f "$program_files/mirrex-cli.exe" ]; then
  pass "a silent install puts mirrex.exe and mirrex-cli.exe under Program Files"
else
  fail "install: $(ls "$program_files" 2>&1)"
fi
if [ -n "$(start_menu)" ]; then pass "the Start menu has the wizard's entry: $(basename "$(start_menu)")"
else fail "no Start-menu entry"; fi
if find "$program_files" -iname '*.dll' | grep -q .; then fail "DLLs beside the programs"
else pass "no DLLs beside the programs"; fi

# --- what the shell and the file properties show ------------------------------
version=$(basename "$setup" | sed -n 's/^mirrex-\(.*\)-win64\.exe$/\1/p')
installed='C:\Program Files\Mirrex'
probe_setup() { "$MIRREX_WINE" "$setup_probe" "$@" <&- 2>/dev/null | tr -d '\r'; }
probe_wizard() { "$MIRREX_WINE" "$wizard_probe" "$@" <&- 2>/dev/null | tr -d '\r'; }
# Waits up to 60 seconds for the wizard to show page $1.
wizard_on_page() {
  local answer
  for _ in $(seq 120); do
    answer=$(probe_wizard page || true)
    [ "$answer" = "$1" ] && return 0
    sleep 0.5
  done
  echo "  (the wizard shows page '$answer')"
  return 1
}
end_wizard() { "$MIRREX_WINE" taskkill /F /IM mirrex.exe <&- >/dev/null 2>&1 || true; sleep 1; }

for program in mirrex mirrex-cli; do
  properties=$(probe_setup version "$installed\\$program.exe" | tr '\n' '|')
  if [[ $properties == "Mirrex — тиражирование конфигураций|$version|"*"|$version.0|" ]] \
     && [[ $properties == *"|Мастер тиражирования"* || $properties == *"|Тиражирование конфигураций приборов из командной строки|"* ]]; then
    pass "$program.exe's properties: $properties"
  else
    fail "$program.exe's properties: $properties (version $version)"
  fi
done
shown_version=$("$MIRREX_WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirrex' /v DisplayVersion <&- 2>/dev/null | tr -d '\r' | sed -n 's/.*DisplayVersion *REG_SZ *//p')
if [ -n "$version" ] && [ "$shown_version" = "$version" ]; then pass "the uninstall entry shows version $version"
else fail "the uninstall entry shows version '$shown_version', the setup program is $version"; fi

entry=$(start_menu | head -n 1)
shortcut=$(probe_setup shortcut "$(win_path "$entry")" | tr '\n' '|')
if [ "$shortcut" = "$installed\\mirrex.exe|$installed|" ]; then
  pass "the Start-menu entry starts the installed mirrex.exe in its folder"
else
  fail "the Start-menu entry: '$shortcut'"
fi
"$MIRREX_WINE" start /unix "$entry" <&- >"$work/start-entry.log" 2>&1
if wizard_on_page 1; then pass "the Start-menu entry opens the wizard on its start page"
else fail "the Start-menu entry opens no wizard: $(cat "$work/start-entry.log")"; fi
end_wizard

cli="$program_files/mirrex-cli.exe"
if wine_run identify "$cli" --port COM5 identify && grep -q KLX41 "$work/identify.out"; then
  pass "the installed mirrex-cli.exe identifies the device on COM5"
else
  fail "identify: $(cat "$work/identify.out" "$work/identify.err")"
fi
users_file="$work/mine.klx41"
if wine_run save "$cli" --port COM5 save "$(win_path "$users_file")" && [ -s "$users_file" ]; then
  pass "the installed mirrex-cli.exe saves the device into a file"
else
  fail "save: $(cat "$work/save.err")"
fi

# A configuration file opened from the shell, as by a double click: the
# wizard on page 6 with that file in the field. A Cyrillic name with a blank.
opened="$work/Линия 3.klx41"
cp "$users_file" "$opened"
"$MIRREX_WINE" start /unix "$opened" <&- >"$work/start-file.log" 2>&1
if wizard_on_page 6 && [ "$(probe_wizard text 1006)" = "$(win_path "$opened")" ]; then
  pass "a .klx41 file opens the wizard on page 6 with the file chosen"
else
  fail "the opened file: page $(probe_wizard page), field '$(probe_wizard text 1006)', box '$(probe_wizard box)': $(cat "$work/start-file.log")"
fi
end_wizard
# A file that is no configuration: the check's message first, then page 6
# with the field empty.
broken="$work/Заметки к линии.klx41"
echo "not a configuration" >"$broken"
"$MIRREX_WINE" start /unix "$broken" <&- >"$work/start-broken.log" 2>&1
box=""
for _ in $(seq 120); do box=$(probe_wizard box || true); [ -n "$box" ] && break; sleep 0.5; done
window=$(xdotool search --onlyvisible --name '^mirrex$' 2>/dev/null | tail -n 1)
[ -n "$window" ] && xdotool windowfocus --sync "$window" key Return 2>/dev/null || true
if [[ $box == *"не является действительным файлом конфигурации"* ]] && wizard_on_page 6 \
   && [ -z "$(probe_wizard text 1006)" ]; then
  pass "a file that fails the check gives its message and page 6 with the field empty"
else
  fail "the file that fails the check: box '$box', page $(probe_wizard page), field '$(probe_wizard text 1006)'"
fi
end_wizard

# The uninstaller runs from a copy of itself; it is done when the folder is.
wine_run uninstall "$program_files/Uninstall.exe" /S || true
for _ in $(seq 300); do [ -e "$program_files/mirrex.exe" ] || [ -n "$(start_menu)" ] || break; sleep 0.1; done
for _ in $(seq 100); do [ -e "$program_files" ] || break; sleep 0.1; done
if [ ! -e "$program_files/mirrex.exe" ] && [ ! -e "$program_files/mirrex-cli.exe" ] && [ -z "$(start_menu)" ]; then
  pass "a silent uninstall removes the programs and the Start-menu entry"
else
  fail "after uninstalling: $(ls "$program_files" 2>&1) $(start_menu)"
fi
if ! "$MIRREX_WINE" reg query 'HKCR\.klx41' <&- >/dev/null 2>&1 \
   && ! "$MIRREX_WINE" reg query 'HKCR\Mirrex.Configuration' <&- >/dev/null 2>&1; then
  pass "the uninstall removes the .klx41 file type"
else
  fail "the .klx41 file type is left after uninstalling"
fi
if "$MIRREX_WINE" reg query 'HKCU\Software\Tolvar\Mirrex' /v com <&- >"$work/key.out" 2>&1 && [ -s "$users_file" ]; then
  pass "the user's settings and configuration file stay"
else
  fail "the user's settings or file have gone: $(cat "$work/key.out")"
fi

chosen="$WINEPREFIX/drive_c/Tools/Mirrex"
if wine_run install-d "$setup" /S '/D=C:\Tools\Mirrex' && [ -f "$chosen/mirrex.exe" ] && [ -f "$chosen/mirrex-cli.exe" ]; then
  pass "/D= installs into the folder given"
else
  fail "install with /D=: $(ls "$chosen" 2>&1)"
fi

echo "wine-setup: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
