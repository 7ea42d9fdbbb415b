# Shared by the wine test scripts (sourced): the pass/fail count, simulated
# devices on pseudo-terminals, and paths as wine's Z: drive shows them.
# The sourcing script sets $devsim and $work.
failures=0 passes=0
devsim_pids=()
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; passes=$((passes + 1)); }

# Starts a simulated device keeping its areas in $work/NAME; sets $pty.
# Not in a subshell: the device ends with the process that started it.
start_device() {
  local name=$1; shift
  mkdir -p "$work/$name"
  "$devsim" --no-alias --exit-with-parent --save-areas "$work/$name" "$@" \
    >"$work/devsim-$name.out" 2>"$work/devsim-$name.err" &
  devsim_pids+=($!)
  for _ in $(seq 100); do
    [ -s "$work/devsim-$name.out" ] && { pty=$(head -n 1 "$work/devsim-$name.out"); return; }
    sleep 0.1
  done
  echo "mirrex-devsim did not start: $(cat "$work/devsim-$name.err")" >&2
  exit 1
}
stop_devices() { for pid in "${devsim_pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }

win_path() { printf 'Z:%s' "${1//\//\\}"; }
