#!/usr/bin/env bash
# The real wizard on a real (virtual) X display, driven as a user drives it:
# page 3, a double click on the baud-rate cell, F4 drops its list, Down and
# Enter take the next rate, a click on "Далее >" stores the list. The stored
# rate is read back from the key store. Then the wizard started with a
# configuration file, as a file manager starts it: the file is taken (and
# remembered), and a folder given instead gets a message before the sheet.
# Usage: real-display.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:?usage: real-display.sh BUILD_DIR}")
if [ -z "${MIRREX_DISPLAY_INNER:-}" ]; then
  MIRREX_DISPLAY_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi
work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/Tolvar" "$XDG_STATE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
keys=$XDG_CONFIG_HOME/Tolvar/Mirrex
# RS-485 at 19200 bit/s on a port no machine has: Next stores the list and
# then only reports that the port cannot be opened.
cat > "$keys" <<KEYS
mirrex-key 1
dword PAGE1_RadioButton_Selected 1
dword address 16
dword adress_len 8
dword baud_rate 19200
dword byte_size 8
dword com 250
dword converter 1
dword parity 0
dword rs_type 1
dword stop_bits 0
KEYS

fail() { echo "real-display: $*" >&2; import -window root "$build/real-display-failure.png" 2>/dev/null || true; exit 1; }

"$build/src/gui/qt/mirrex" &
pid=$!
window=$(xdotool search --sync --onlyvisible --name "Программа тиражирования" | head -n 1)
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
# Places on the sheet in proportion to its size, which follows the dialog
# font: the value column of the list's third row, and "Далее >".
at() { echo $((X + WIDTH * $1 / 1000)) $((Y + HEIGHT * $2 / 1000)); }
xdotool key Return; sleep 0.3   # page 1: save to file
xdotool key Return; sleep 0.5   # page 2
# shellcheck disable=SC2046
xdotool mousemove $(at 875 343) click --repeat 2 --delay 80 1
sleep 0.5
xdotool key F4; sleep 0.5
xdotool key Down; sleep 0.2
xdotool key Return; sleep 0.3
# shellcheck disable=SC2046
xdotool mousemove $(at 476 930) click 1
for _ in $(seq 50); do
  grep -q '^dword baud_rate 28800$' "$keys" && break
  sleep 0.1
done
grep -q '^dword baud_rate 28800$' "$keys" || fail "the chosen rate was not stored: $(grep baud_rate "$keys")"
echo "real-display: the rate picked from the drop-down list was stored (28800 bit/s)"
kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; pid=""

# A file saved from the simulated device, under a Cyrillic name with a blank.
"$build/tools/devsim/mirrex-devsim" --exit-with-parent --com 251 --random-areas 4:200,100,50,20 >"$work/devsim.out" 2>&1 &
devsim=$!
for _ in $(seq 100); do [ "$(wc -l <"$work/devsim.out")" -ge 2 ] && break; sleep 0.1; done
file="$work/Линия 3.klx41"
"$build/tools/cli/mirrex-cli" --port COM251 --baud 115200 save "$file" </dev/null >/dev/null 2>"$work/save.err" \
  || fail "no file to open: $(cat "$work/save.err")"
kill "$devsim" 2>/dev/null || true
wait_window() { timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
stored_file() { grep -F "string PAGE6_ReplicateFromFile_Path_P6 " "$keys" | cut -d' ' -f3-; }
"$build/src/gui/qt/mirrex" "$file" &
pid=$!
[ -n "$(wait_window "Программа тиражирования")" ] || fail "no wizard with the file given"
[ "$(stored_file)" = "${file// /\\x20}" ] || fail "the file given was not taken: '$(stored_file)'"
import -window root "$work/started-with-file.png"
echo "real-display: the wizard started with a file took it (page 6)"
kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; pid=""

"$build/src/gui/qt/mirrex" "$work" &
pid=$!
box=$(wait_window '^mirrex$')
[ -n "$box" ] || fail "no message for a folder given"
xdotool search --onlyvisible --name "Программа тиражирования" >/dev/null && fail "the sheet opened before the message"
xdotool windowfocus --sync "$box" key Return
[ -n "$(wait_window "Программа тиражирования")" ] || fail "no wizard after the message"
[ "$(stored_file)" = "${file// /\\x20}" ] || fail "a folder given replaced the stored file: '$(stored_file)'"
echo "real-display: a folder given gets a message, then the sheet"
