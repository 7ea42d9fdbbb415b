#!/usr/bin/env bash
# mirrex-cli.exe under wine against mirrex-devsim on pseudo-terminals that the
# wine prefix maps as COM5 and COM6: port listing, identification in both
# converter modes, saving, writing with verification and the clock, the
# stored settings key, Russian folder and file names, and Russian texts in
# files and in a console; files must be byte-identical to the Linux
# program's.
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

if wine_run ports "$cli_exe" ports && grep -qP '^COM5\t\\\\\.\\COM5\t\\Device\\Serial\d+\r?$' "$work/ports.out" \
    && grep -qP '^COM6\t' "$work/ports.out"; then
  pass "ports lists COM5 and COM6 from the device map, each with its driver's device"
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

# The device sees the rate and parity wine sets on the pty, as a real line
# would: a PC set otherwise gets no answer.
mismatched=0
for setting in "--baud 19200" "--parity even"; do
  status=0
  # shellcheck disable=SC2086
  timeout 120 "$MIRREX_WINE" "$cli_exe" --port COM5 $setting identify <&- >"$work/format.out" 2>"$work/format.err" || status=$?
  [ "$status" -eq 1 ] || { fail "identify with $setting against an 8N1 device at 115200: exit code $status"; mismatched=1; }
done
[ "$mismatched" -eq 0 ] && pass "a PC at another rate or parity than the device's gets no answer"

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

# Russian names, as engineers give them: the program in a Cyrillic folder
# (its area files beside it), saving into a Cyrillic folder and file, the
# file given on the command line to inspect and write. The program's folder
# also has Kazakh letters, which the prefix's ANSI code page (1251) lacks:
# a path that goes through the code page loses them.
programs="$work/Программы Қарағанды"
mkdir -p "$programs" "$work/Конфигурации"
cp "$cli_exe" "$programs/mirrex-cli.exe"
named="$work/Конфигурации/Линия 3.klx41"
if wine_run save-named "$programs/mirrex-cli.exe" --port COM5 save "$(win_path "$named")" \
    && cmp -s "$named" "$work/linux.klx41" && [ -s "$programs/config_64.dat" ]; then
  pass "save into \"Конфигурации\\Линия 3.klx41\" by a program in \"Программы Қарағанды\""
else
  fail "save with Russian names: $(cat "$work/save-named.err"; ls "$work" "$work/Конфигурации")"
fi
# Output to a file is UTF-8 in Windows lines.
utf8_text() { iconv -f UTF-8 -t UTF-8 "$1" >/dev/null 2>&1 && grep -q $'\r$' "$1"; }
if utf8_text "$work/save-named.err" \
    && grep -q 'Конфигурация из прибора успешно сохранена в файл. ' "$work/save-named.err"; then
  pass "messages redirected to a file are UTF-8"
else
  fail "redirected messages: $(od -c "$work/save-named.err" | head -5)"
fi
if cli inspect-named inspect "$(win_path "$named")" && utf8_text "$work/inspect-named.out" \
    && grep -q '^Прибор: KLX41' "$work/inspect-named.out"; then
  pass "inspect of a file with a Russian name"
else
  fail "inspect: $(cat "$work/inspect-named.out" "$work/inspect-named.err")"
fi
status=0
cli overwrite-named --port COM5 save "$(win_path "$named")" || status=$?
if [ "$status" -eq 1 ] && grep -qF "$(win_path "$named")" "$work/overwrite-named.err" && cmp -s "$named" "$work/linux.klx41"; then
  pass "the overwrite question names the file as given and No keeps it"
else
  fail "overwrite question (exit $status): $(cat "$work/overwrite-named.err")"
fi
if cli write-named --port COM6 write "$(win_path "$named")" && "$cli_linux" --port "$target_pty" \
    --area-folder "$work/area" save --force "$work/written-named.klx41" <&- >/dev/null 2>&1 \
    && cmp -s "$work/written-named.klx41" "$named"; then
  pass "write from a file with a Russian name"
else
  fail "write from the Russian-named file: $(cat "$work/write-named.err")"
fi

# Both ports at once with a report, then two programs appending to that
# report at the same time: every line whole, none lost.
report="$work/Отчёт линии.jsonl"
if cli line --port COM5 --port COM6 write "$(win_path "$work/windows.klx41")" --no-verify \
      --report "$(win_path "$report")" \
    && [ "$(grep -c '"result":"done"' "$report")" -eq 2 ] && grep -q '^COM5 .*выполнено' "$work/line.out" \
    && grep -q '^COM6 .*выполнено' "$work/line.out"; then
  pass "a write on two ports at once, its table and its report"
else
  fail "two ports: $(cat "$work/line.out" "$work/line.err")"
fi
cli append-5 --port COM5 write "$(win_path "$work/windows.klx41")" --no-verify --report "$(win_path "$report")" &
first=$!
cli append-6 --port COM6 write "$(win_path "$work/windows.klx41")" --no-verify --report "$(win_path "$report")" &
second=$!
if wait $first && wait $second && [ "$(wc -l <"$report")" -eq 4 ] \
    && [ "$(grep -c '^{"time":"[^"]*","port":"COM[56]",.*"seconds":[0-9.]*,"backup":[^,]*}\r\?$' "$report")" -eq 4 ]; then
  pass "two programs append to one report without mixing lines"
else
  fail "shared report: $(cat "$report" "$work/append-5.err" "$work/append-6.err")"
fi
if cli report-folder --port COM5 write "$(win_path "$work/windows.klx41")" --report "$(win_path "$work")"; then
  fail "a folder was taken as the report"
elif grep -q 'Файл отчёта не удаётся открыть для записи' "$work/report-folder.err"; then
  pass "a report that cannot be written is refused"
else
  fail "report refusal: $(cat "$work/report-folder.err")"
fi

# In a console (cmd.exe on the terminal of `script`) the texts are written
# as Unicode, whatever the console's code page: wine shows them on the
# terminal in UTF-8. The console's cursor movements are taken out; `script`
# needs an input, which is not the console and so asks nothing.
in_console() {
  local log=$1; shift
  timeout 120 script -qec "'$MIRREX_WINE' cmd /c $*" /dev/null </dev/null >"$work/$log.raw" 2>&1 || true
  sed -e 's/\x1b\[[0-9]*C/ /g' -e 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$work/$log.raw" >"$work/$log.out"
}
in_console console-inspect "'$(win_path "$cli_exe")' inspect '$(win_path "$named")'"
if grep -q 'Прибор: KLX41' "$work/console-inspect.out" \
    && grep -q 'Размеры областей 0, 16, 40, 64: 700 300 100 40' "$work/console-inspect.out"; then
  pass "Russian texts in a cmd.exe console"
else
  fail "console: $(od -c "$work/console-inspect.raw" | head -20)"
fi
in_console console-save "'$(win_path "$cli_exe")' --port COM5 --area-folder '$(win_path "$work/area")'" \
  "save '$(win_path "$work/Конфигурации/Линия 4.klx41")'"
if grep -q 'Cчитывание значений Retain\.\.\. *\[#\{30\}\] 100%' "$work/console-save.out" \
    && grep -q 'Конфигурация из прибора успешно сохранена в файл. ' "$work/console-save.out" \
    && cmp -s "$work/Конфигурации/Линия 4.klx41" "$work/linux.klx41"; then
  pass "the progress bar and the messages of a save in a cmd.exe console"
else
  fail "console save: $(od -c "$work/console-save.raw" | head -20)"
fi

in_console console-line "'$(win_path "$cli_exe")' --port COM5 --port COM6 --area-folder '$(win_path "$work/area")'" \
  "write '$(win_path "$work/windows.klx41")' --no-verify"
if grep -q 'Всего приборов: 2, выполнено: 2' "$work/console-line.out" \
    && grep -q 'COM6 *KLX41 *Запись значений Retain' "$work/console-line.out"; then
  pass "the lines of two ports redrawn in a cmd.exe console"
else
  fail "console line: $(od -c "$work/console-line.raw" | head -40)"
fi

echo "wine-e2e: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
