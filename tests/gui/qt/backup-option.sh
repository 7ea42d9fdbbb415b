#!/usr/bin/env bash
# Page 7's backup option in the real wizard on a virtual X display, driven
# as a user drives it: a click ticks "Сохранять прежнюю конфигурацию прибора
# перед записью" (stored at once), Next writes the file into a simulated
# device, and the question after the write names the backup file, which
# holds what the device held before. Pictures of pages 6 and 7 go to SHOTS.
# Usage: backup-option.sh BUILD_DIR [SHOTS]
set -euo pipefail
build=$(realpath "${1:?usage: backup-option.sh BUILD_DIR [SHOTS]}")
shots=$(realpath -m "${2:-$build/backup-option-shots}")
if [ -z "${MIRREX_DISPLAY_INNER:-}" ]; then
  MIRREX_DISPLAY_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$build" "$shots"
fi
convert=/usr/bin/convert-im6.q16
cli=$build/tools/cli/mirrex-cli
work=$(mktemp -d)
devsim_pid="" wizard_pid=""
cleanup() {
  [ -n "$wizard_pid" ] && kill "$wizard_pid" 2>/dev/null
  [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/Tolvar" "$XDG_STATE_HOME" "$work/Документы" "$shots"
mkdir -m 700 "$XDG_RUNTIME_DIR"
echo "XDG_DOCUMENTS_DIR=\"$work/Документы\"" > "$XDG_CONFIG_HOME/user-dirs.dirs"
backups="$work/Документы/Mirrex/Резервные копии"
keys=$XDG_CONFIG_HOME/Tolvar/Mirrex

fail() { echo "backup-option: $*" >&2; import -window root "$shots/failure.png" 2>/dev/null || true; exit 1; }

start_device() {  # devsim options
  [ -n "$devsim_pid" ] && { kill "$devsim_pid"; wait "$devsim_pid" 2>/dev/null || true; }
  "$build/tools/devsim/mirrex-devsim" --com 43 --exit-with-parent "$@" > "$work/devsim.out" &
  devsim_pid=$!
  for _ in $(seq 50); do grep -q COM43 "$work/devsim.out" 2>/dev/null && return; sleep 0.1; done
  fail "the simulated device did not start"
}
shot() { import -window root "$work/screen.png"; "$convert" "$work/screen.png" -trim +repage "$shots/$1.png"; }
key() { xdotool key "$1"; sleep "${2:-0.6}"; }
# A click at a place of the sheet given in thousandths of its size (which
# follows the dialog font).
click() {
  local window
  window=$(xdotool search --onlyvisible --name "Программа тиражирования" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + WIDTH * $1 / 1000)) $((Y + HEIGHT * $2 / 1000)) click 1
  sleep 0.6
}
wait_box() {
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name '^mirrex$' >/dev/null 2>&1 && { sleep 0.5; return; }
    sleep 0.1
  done
  fail "no message box appeared"
}

# The file to write, from one device; what the next one holds, kept aside.
start_device --random-areas 5:600,200,90,40
"$cli" --port COM43 --area-folder "$work" save "$work/master.klx41" 2>/dev/null
start_device --random-areas 6:600,200,90,40
"$cli" --port COM43 --area-folder "$work" save "$work/before.klx41" 2>/dev/null
cat > "$keys" <<KEYS
mirrex-key 1
dword PAGE1_RadioButton_Selected 2
string PAGE6_ReplicateFromFile_Path_P6 $work/master.klx41
dword address 16
dword adress_len 8
dword baud_rate 115200
dword byte_size 8
dword com 43
dword converter 1
dword parity 0
dword rs_type 0
dword stop_bits 0
KEYS

(cd "$work" && exec "$build/src/gui/qt/mirrex") &
wizard_pid=$!
xdotool search --sync --onlyvisible --name "Программа тиражирования" >/dev/null
sleep 0.5
key Return; shot 06-replicate-file
key Return; shot 07-write
grep -q '^dword PAGE6_Check3_Backup_P6 0$' "$keys" || fail "page 7 did not create its option as 0"
click 490 765
for _ in $(seq 30); do grep -q '^dword PAGE6_Check3_Backup_P6 1$' "$keys" && break; sleep 0.1; done
grep -q '^dword PAGE6_Check3_Backup_P6 1$' "$keys" || fail "the click did not store the option"
shot 07-write-backup-ticked
key Return
wait_box; shot 14-another-device-backup
backup=$(ls "$backups"/KLX41_1.0_COM43_*.klx41 2>/dev/null | head -n 1)
[ -n "$backup" ] || fail "no backup in $backups"
# No: back to the start page; the wizard then lets the port go.
key n 1
kill "$wizard_pid"; wait "$wizard_pid" 2>/dev/null || true; wizard_pid=""
"$cli" diff "$work/before.klx41" "$backup" >/dev/null || fail "the backup is not what the device held"
"$cli" --port COM43 --area-folder "$work" compare "$work/master.klx41" >/dev/null 2>&1 \
  || fail "the device does not hold the file"
echo "backup-option: the ticked option kept the device's configuration in $(basename "$backup") before the write"
