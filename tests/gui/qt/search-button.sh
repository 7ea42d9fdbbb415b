#!/usr/bin/env bash
# The search button of page 3 in the real wizard on a virtual X display,
# driven as a user drives it. The simulated bus answers at 9600 bit/s and
# addresses 77 and 120, the stored settings say 115200 and 16. A search
# cancelled with Esc closes without a word and changes nothing; the next
# one finds the device at 77, the list shows its settings and nothing is
# stored until "Далее >", which then reads the device with them and saves
# its file. Pictures of the page and the dialog go to SHOTS.
# Usage: search-button.sh BUILD_DIR [SHOTS]
set -euo pipefail
build=$(realpath "${1:?usage: search-button.sh BUILD_DIR [SHOTS]}")
shots=$(realpath -m "${2:-$build/search-button-shots}")
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
mkdir -p "$XDG_CONFIG_HOME/Tolvar" "$XDG_STATE_HOME" "$shots"
mkdir -m 700 "$XDG_RUNTIME_DIR"
keys=$XDG_CONFIG_HOME/Tolvar/Mirrex

fail() { echo "search-button: $*" >&2; import -window root "$shots/failure.png" 2>/dev/null || true; exit 1; }

"$build/tools/devsim/mirrex-devsim" --com 43 --exit-with-parent --baud 9600 --address 77 --random-areas 3:300,100,40,20 \
  --device address=120,model=RGX207K,version=2.0 > "$work/devsim.out" &
devsim_pid=$!
for _ in $(seq 50); do grep -q COM43 "$work/devsim.out" 2>/dev/null && break; sleep 0.1; done
grep -q COM43 "$work/devsim.out" || fail "the simulated device did not start"
cat > "$keys" <<KEYS
mirrex-key 1
dword PAGE1_RadioButton_Selected 1
string PAGE4_SaveToFile_Path_P4 $work/found.klx41
dword address 16
dword adress_len 8
dword baud_rate 115200
dword byte_size 8
dword com 43
dword converter 1
dword parity 0
dword rs_type 1
dword stop_bits 0
KEYS

shot() { import -window root "$work/screen.png"; "$convert" "$work/screen.png" -trim +repage "$shots/$1.png"; }
key() { xdotool key "$1"; sleep "${2:-0.6}"; }
# A click at a place of the sheet given in thousandths of its size (which
# follows the dialog font).
click() {
  local window
  window=$(xdotool search --onlyvisible --name "Программа тиражирования" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + WIDTH * $1 / 1000)) $((Y + HEIGHT * $2 / 1000)) click 1
}
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
wait_for() {  # window name, tenths of a second
  for _ in $(seq "$2"); do visible "$1" && return 0; sleep 0.1; done
  return 1
}
wait_gone() {
  for _ in $(seq "$2"); do visible "$1" || return 0; sleep 0.1; done
  return 1
}
stored() { grep -q "^dword $1 $2\$" "$keys"; }

(cd "$work" && exec "$build/src/gui/qt/mirrex") &
wizard_pid=$!
xdotool search --sync --onlyvisible --name "Программа тиражирования" >/dev/null
sleep 0.5
key Return; key Return 1; shot 03-settings

# "Найти прибор..." under the list; Esc cancels at once, without a box.
click 506 739
wait_for "Поиск прибора" 50 || fail "the search dialog did not open"
sleep 1; shot 03-search-dialog
key Escape 0.2
wait_gone "Поиск прибора" 30 || fail "Esc did not end the search"
sleep 0.5
visible '^mirrex$' && fail "a cancelled search said something"
shot 03-search-cancelled

# Searched again: 115200 at every address, then 9600, where address 77 answers.
click 506 739
wait_for "Поиск прибора" 50 || fail "the search dialog did not open again"
wait_gone "Поиск прибора" 900 || fail "the search did not end"
sleep 0.5
visible '^mirrex$' && fail "the search found nothing"
shot 03-search-found
stored baud_rate 115200 && stored address 16 || fail "the search stored what it found before Next"

# Next reads the device with the settings found; page 4 saves its file.
key Return
for _ in $(seq 300); do stored baud_rate 9600 && break; sleep 0.1; done
stored baud_rate 9600 && stored address 77 && stored com 43 || fail "Next did not store the settings found"
# The read is over when the sheet has stayed the only window of ours for a while.
quiet=0
for _ in $(seq 900); do
  if [ "$(xdotool search --onlyvisible --name "Программа тиражирования" | wc -l)" -eq 1 ]; then
    quiet=$((quiet + 1)); [ "$quiet" -ge 20 ] && break
  else
    quiet=0
  fi
  sleep 0.1
done
visible '^mirrex$' && fail "the read with the settings found failed"
shot 04-after-read
key Return 2
[ -s "$work/found.klx41" ] || fail "no file was saved"
kill "$wizard_pid"; wait "$wizard_pid" 2>/dev/null || true; wizard_pid=""
"$cli" --port COM43 --baud 9600 --address 77 --area-folder "$work" compare "$work/found.klx41" >/dev/null 2>&1 \
  || fail "the saved file is not what the device holds"
echo "search-button: the device at 9600 bit/s, address 77 was found, read and saved"
