#!/usr/bin/env bash
# How long the wizard takes from being started to showing its first page,
# and its resident memory then, under a virtual display.
# Usage: bench/wizard_start.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$(realpath "${1:?usage: wizard_start.sh BUILD_DIR [RUNS]}")
runs=${2:-5}
if [ -z "${MIRREX_BENCH_INNER:-}" ]; then
  MIRREX_BENCH_INNER=1 exec xvfb-run -a "$0" "$build" "$runs"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
for run in $(seq "$runs"); do
  start=$(date +%s%N)
  "$build/src/gui/qt/mirrex" &
  pid=$!
  xdotool search --sync --onlyvisible --name "Программа тиражирования" >/dev/null
  shown=$(date +%s%N)
  sleep 0.5
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  awk -v run="$run" -v ms=$(((shown - start) / 1000000)) -v kib="$rss" \
    'BEGIN { printf "run %d: first page after %d ms, resident %.1f MB\n", run, ms, kib / 1024 }'
done
