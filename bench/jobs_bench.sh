#!/bin/bash
# Reads and writes a whole configuration (areas of 8 KiB, 2 KiB, 1 KiB and
# 256 bytes) through mirrex-cli against mirrex-devsim with line-time
# emulation, and prints each job's time next to the protocol's floor:
# every exchange's characters on the line, its 5 ms pause and the device's
# turnaround, plus the 5.25 s restart wait after a write. The write runs
# twice: without and with the read-back of every area.
#
# usage: jobs_bench.sh BUILD_DIR [BAUD]
set -eu
build=${1:?build folder}
baud=${2:-115200}
turnaround=1
cli="$build/tools/cli/mirrex-cli"
devsim="$build/tools/devsim/mirrex-devsim"
sizes=(8192 2048 1024 256)

work=$(mktemp -d)
trap 'kill $sim 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
mkdir -p "$work/areas" "$work/tmp"

"$devsim" --no-alias --exit-with-parent --baud "$baud" --format 8N1 --turnaround $turnaround \
    --random-areas "5:${sizes[0]},${sizes[1]},${sizes[2]},${sizes[3]}" --save-areas "$work/areas" \
    >"$work/devsim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do [ -s "$work/devsim.out" ] && break; sleep 0.05; done
port=$(head -1 "$work/devsim.out")

# Characters of one exchange: a request or answer is 14 characters plus two
# per data byte.
chars=0
exchanges=0
exchange() { chars=$((chars + 28 + 2 * ($1 + $2))); exchanges=$((exchanges + 1)); }
identification() { exchange 0 5; exchange 0 3; }   # "dev" = KLX41, "ver" = 1.0
read_area() {
    local n=$1
    exchange 0 0; exchange 1 0; exchange 0 4; exchange 0 5     # clear, select, size, heading
    while [ "$n" -gt 0 ]; do local b=$((n < 15 ? n : 15)); exchange 0 $b; n=$((n - b)); done
    exchange 0 0; exchange 1 0; exchange 0 0                   # end, select 40, clear
}
write_area() {
    local n=$1
    exchange 0 0; exchange 1 0; exchange 0 0                   # clear, select, open
    while [ "$n" -gt 0 ]; do local b=$((n < 15 ? n : 15)); exchange $b 0; n=$((n - b)); done
}
floor_us() {  # $1: extra milliseconds
    echo $(( chars * 10 * 1000000 / baud + exchanges * (5 + turnaround) * 1000 + $1 * 1000 ))
}
now_us() { echo $(($(date +%s%N) / 1000)); }
report() {  # name, elapsed us, floor us
    awk -v n="$1" -v t="$2" -v f="$3" -v e="$exchanges" \
        'BEGIN { printf "%-6s %5d exchanges  %8.3f s  floor %8.3f s  ratio %.3f\n", n, e, t/1e6, f/1e6, t/f }'
}

chars=0; exchanges=0; identification
for n in "${sizes[@]}"; do read_area "$n"; done
start=$(now_us)
"$cli" --port "$port" --baud "$baud" --area-folder "$work/tmp" save "$work/bench.klx41" 2>/dev/null
elapsed=$(( $(now_us) - start ))
report read "$elapsed" "$(floor_us 0)"

chars=0; exchanges=0; identification
for n in "${sizes[@]}"; do write_area "$n"; done
exchange 0 0                                                  # restart
start=$(now_us)
"$cli" --port "$port" --baud "$baud" --area-folder "$work/tmp" write "$work/bench.klx41" --no-verify 2>/dev/null
elapsed=$(( $(now_us) - start ))
report write "$elapsed" "$(floor_us 5250)"
unverified=$elapsed

# The same write with every area read back before the next (and area 64
# before the restart): each read-back is a whole read of its area.
for n in "${sizes[@]}"; do read_area "$n"; done
start=$(now_us)
"$cli" --port "$port" --baud "$baud" --area-folder "$work/tmp" write "$work/bench.klx41" 2>/dev/null
elapsed=$(( $(now_us) - start ))
report verify "$elapsed" "$(floor_us 5250)"
awk -v v="$elapsed" -v u="$unverified" \
    'BEGIN { printf "verification costs %.3f s, %.0f %% of the unverified write\n", (v-u)/1e6, (v-u)*100/u }'
