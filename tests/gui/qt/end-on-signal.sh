#!/usr/bin/env bash
# The real wizard told to end (SIGTERM, then SIGHUP) while it reads a device
# on a virtual X display, and SIGTERM while it searches for one: it ends at
# once without asking, and the port it held is left as it found it (no
# longer exclusive). Usage:
# end-on-signal.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:?usage: end-on-signal.sh BUILD_DIR}")
if [ -z "${MIRREX_DISPLAY_INNER:-}" ]; then
  MIRREX_DISPLAY_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi
work=$(mktemp -d)
devsim=""
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$devsim" ] && kill "$devsim" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/Tolvar" "$XDG_STATE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"

fail() { echo "end-on-signal: $*" >&2; exit 1; }

# TIOCGEXCL of the terminal: 1 while someone holds it for itself.
exclusive() { perl -e 'open(my $t, "+<", $ARGV[0]) or die; my $v = pack("i", 0);
  ioctl($t, 0x80045440, $v) or die; print unpack("i", $v)' "$1"; }

for run in "TERM read" "HUP read" "TERM search"; do
  signal=${run% *} during=${run#* }
  # A device slow enough to be still reading when the signal comes; for the
  # search, one at another rate than the stored, so that the search is
  # still probing the stored rate's addresses then.
  device_rate=9600
  [ "$during" = search ] && device_rate=115200
  "$build/tools/devsim/mirrex-devsim" --random-areas 7:20000,2000,600,200 --baud $device_rate \
    --log-requests "$work/requests-$signal.log" >"$work/devsim.out" &
  devsim=$!
  com=""
  for _ in $(seq 50); do
    com=$(sed -n 2p "$work/devsim.out" 2>/dev/null)
    [ -n "$com" ] && break
    sleep 0.1
  done
  pty=$(sed -n 1p "$work/devsim.out")
  [ -n "$com" ] && [ "$com" != "-" ] || fail "the simulated device did not start"
  cat > "$XDG_CONFIG_HOME/Tolvar/Mirrex" <<KEYS
mirrex-key 1
dword PAGE1_RadioButton_Selected 1
dword address 16
dword adress_len 8
dword baud_rate 9600
dword byte_size 8
dword com ${com#COM}
dword converter 1
dword parity 0
dword rs_type 1
dword stop_bits 0
string PAGE4_SaveToFile_Path_P4 $work/saved.klx41
KEYS

  "$build/src/gui/qt/mirrex" >"$work/wizard.log" 2>&1 &
  pid=$!
  window=$(xdotool search --sync --onlyvisible --name "Программа тиражирования" | head -n 1)
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool key Return; sleep 0.3   # page 1: save to file
  xdotool key Return; sleep 0.5   # page 2
  if [ "$during" = read ]; then
    xdotool mousemove $((X + WIDTH * 476 / 1000)) $((Y + HEIGHT * 930 / 1000)) click 1   # page 3: "Далее >"
    for _ in $(seq 100); do
      [ "$(wc -l < "$work/requests-$signal.log" 2>/dev/null || echo 0)" -gt 20 ] && break
      sleep 0.1
    done
    [ "$(wc -l < "$work/requests-$signal.log")" -gt 20 ] || fail "the read did not start"
  else
    xdotool mousemove $((X + WIDTH * 506 / 1000)) $((Y + HEIGHT * 739 / 1000)) click 1   # "Найти прибор..."
    xdotool search --sync --onlyvisible --name "Поиск прибора" >/dev/null
    sleep 1
  fi
  [ "$(exclusive "$pty")" = 1 ] || fail "the wizard does not hold its port for itself ($during)"
  start=$(date +%s%N)
  kill -"$signal" "$pid"
  status=0
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "SIG$signal did not end the wizard within 10 s"
  wait "$pid" || status=$?
  pid=""
  took=$((($(date +%s%N) - start) / 1000000))
  [ "$status" = 0 ] || fail "SIG$signal: the wizard ended with $status: $(cat "$work/wizard.log")"
  [ "$(exclusive "$pty")" = 0 ] || fail "SIG$signal: the port was left exclusive ($during)"
  echo "end-on-signal: SIG$signal ended the wizard during a $during in $took ms and put its port back"
  kill "$devsim"
  wait "$devsim" 2>/dev/null || true
  devsim=""
done
