#!/usr/bin/env bash
# The setup program in a fresh wine prefix, as a user would meet it: a
# silent install under Program Files, the installed mirrex-cli.exe against
# mirrex-devsim through a COM port, the Start-menu entry, a silent uninstall
# that removes the programs and leaves the user's settings and files, and an
# install into a folder given with /D=.
# Usage: wine-setup.sh SETUP.exe DEVSIM WORKDIR
# Needs MIRREX_WINE; makes its own prefix in WORKDIR and ends its server.
set -euo pipefail
setup=$1 devsim=$2 work=$3
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

# The uninstaller runs from a copy of itself; it is done when the folder is.
wine_run uninstall "$program_files/Uninstall.exe" /S || true
for _ in $(seq 300); do [ -e "$program_files/mirrex.exe" ] || [ -n "$(start_menu)" ] || break; sleep 0.1; done
for _ in $(seq 100); do [ -e "$program_files" ] || break; sleep 0.1; done
if [ ! -e "$program_files/mirrex.exe" ] && [ ! -e "$program_files/mirrex-cli.exe" ] && [ -z "$(start_menu)" ]; then
  pass "a silent uninstall removes the programs and the Start-menu entry"
else
  fail "after uninstalling: $(ls "$program_files" 2>&1) $(start_menu)"
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
