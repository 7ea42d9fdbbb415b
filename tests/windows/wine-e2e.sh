#!/usr/bin/env bash
# mirrex-cli.exe under wine against mirrex-devsim on pseudo-terminals that the
# wine prefix maps as COM5 and COM6: port listing, identification in both
# converter modes, saving, writing with verification and the clock, and the
# stored settings key; files must be byte-identical to the Linux program's.
# Usage: wine-e2e.sh CLI.exe LINUX-CLI DEVSIM WORKDIR
# Needs WINEPREFIX (a prefix of its own) and MIRREX_WINE; restarts wineserver.
set -euo pipefail
cli_exe=$1 cli_linux=$2 devsim=$3 work=$4
mkdir -p "$work"
. "$(dirname "$0")/wine-test-kit.sh"
trap stop_devices EXIT

# Runs wine with its output in files: $work/LOG.out and $work/LOG.err.
wine_run() {
  local log=$1; shift
  "$MIRREX_WINE" "$@" <&- >"$work/$log.out" 2>"$work/$log.err"
}

start_device source --random-areas 11:700,300,100,40
source_pty=$pty
start_device target --random-areas 12:700,300,100,40
target_pty=$pty
wine_run reg-com5 reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$source_pty" /f
wine_run reg-com6 reg add 'HKLM\Software\Wine\Ports' /v COM6 /d "$target_pty" /f
# The device map is filled from the Ports key when the server starts.
wineserver -k
wineserver -w
wineserver -p >"$work/wineserver.log" 2>&1

if wine_run ports "$cli_exe" ports && grep -qP '^COM5\t\\\\\.\\COM5\r?$' "$work/ports.out" \
    && grep -qP '^COM6\t' "$work/ports.out"; then
  pass "ports lists COM5 and COM6 from the device map"
else
  fail "ports: $(cat "$work/ports.out" "$work/ports.err")"
fi

cli() { local log=$1; shift; wine_run "$log" "$cli_exe" --area-folder "$(win_path "$work/area")" "$@"; }
mkdir -p "$work/area"

for converter in auto semi; do
  if cli "identify-$converter" --port COM5 --converter "$converter" identify \
      && grep -q 'KLX41' "$work/identify-$converter.out"; then
    pass "identify through COM5, $converter converter"
  else
    fail "identify ($converter): $(cat "$work/identify-$converter.out" "$work/identify-$converter.err")"
  fi
done

# A device at another address stays silent: every read ends empty by the
# port's time-outs, and the program must give up rather than hang.
status=0
timeout 120 "$MIRREX_WINE" "$cli_exe" --port COM5 --address 5 identify <&- \
  >"$work/silent.out" 2>"$work/silent.err" || status=$?
if [ "$status" -eq 1 ]; then
  pass "a silent device ends identification with a failure"
else
  fail "silent device: exit code $status (124: it hung)"
fi

if reg_key=$("$MIRREX_WINE" reg query 'HKCU\Software\Tolvar\Mirrex' <&- 2>&1) && [ -n "$reg_key" ]; then
  pass "the settings key exists in HKEY_CURRENT_USER after the first run"
else
  fail "no settings key in HKEY_CURRENT_USER"
fi

cli save --port COM5 save "$(win_path "$work/windows.klx41")" || fail "save: $(cat "$work/save.err")"
"$cli_linux" --port "$source_pty" --area-folder "$work/area" save "$work/linux.klx41" \
  <&- >"$work/save-linux.out" 2>"$work/save-linux.err" || fail "Linux save: $(cat "$work/save-linux.err")"
if [ -s "$work/windows.klx41" ] && cmp -s "$work/windows.klx41" "$work/linux.klx41"; then
  pass "the saved file is byte-identical to the Linux program's ($(stat -c %s "$work/windows.klx41") bytes)"
else
  fail "saved files differ"
fi

if cli write --port COM6 write "$(win_path "$work/windows.klx41")" --verify --set-clock; then
  pass "write with verification and clock through COM6"
else
  fail "write: $(cat "$work/write.err")"
fi
"$cli_linux" --port "$target_pty" --area-folder "$work/area" save "$work/written.klx41" \
  <&- >"$work/save-written.out" 2>"$work/save-written.err" || fail "Linux read-back: $(cat "$work/save-written.err")"
if cmp -s "$work/written.klx41" "$work/linux.klx41"; then
  pass "the written device reads back byte-identical"
else
  fail "the written device reads back different"
fi

echo "wine-e2e: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
