#!/bin/bash
# Writes one configuration with verification into N = 1, 2, 4 and 8
# simulated devices at once (one mirrex-cli, one port each) with line-time
# emulation at 115200 and 9600 bit/s, and prints the wall time, the time
# per device, the speed-up over one port and the CPU the CLI used (share
# of one core per port). Then the CLI's CPU while --loop waits on 8 ports
# for devices that do not answer. Goal: N ports within 1.15 x one port's
# time, and under 2 % of a core per port.
#
# usage: multi_port_bench.sh BUILD_DIR
set -eu
build=${1:?build folder}
cli="$build/tools/cli/mirrex-cli"
devsim="$build/tools/devsim/mirrex-devsim"
ticks=$(getconf CLK_TCK)

work=$(mktemp -d)
sims=()
stop_devices() { for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null || true; sims=(); }
trap 'stop_devices; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
mkdir -p "$work/tmp"

# Starts n devices at a rate; their terminals' paths go to ports[].
start_devices() {  # n baud sizes [extra options]
    local n=$1 baud=$2 sizes=$3; shift 3
    ports=()
    for i in $(seq "$n"); do
        mkdir -p "$work/d$i"
        "$devsim" --no-alias --exit-with-parent --baud "$baud" --random-areas "$((i + 10)):$sizes" \
            --save-areas "$work/d$i" "$@" >"$work/d$i.out" 2>&1 &
        sims+=($!)
    done
    for i in $(seq "$n"); do
        for _ in $(seq 200); do [ -s "$work/d$i.out" ] && break; sleep 0.05; done
        ports+=(--port "$(head -1 "$work/d$i.out")")
    done
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# The file every device gets, saved from a device of its own.
master() {  # baud sizes
    start_devices 1 "$1" "$2"
    "$cli" "${ports[@]}" --baud "$1" --area-folder "$work/tmp" save "$work/m.klx41" --force 2>/dev/null
    stop_devices
}

printf "%7s %2s %9s %10s %8s %14s\n" "bit/s" "N" "wall, s" "per dev, s" "speed-up" "CPU/port, %"
for rate in "115200 8192,2048,1024,256" "9600 1024,512,256,64"; do
    read -r baud sizes <<<"$rate"
    master "$baud" "$sizes"
    single=
    for n in 1 2 4 8; do
        start_devices "$n" "$baud" "$sizes"
        start=$(date +%s%N)
        "$cli" "${ports[@]}" --baud "$baud" --area-folder "$work/tmp" write "$work/m.klx41" \
            >"$work/out" 2>"$work/err" &
        pid=$!
        used=0
        while kill -0 "$pid" 2>/dev/null; do used=$(cpu_ticks "$pid" 2>/dev/null || echo "$used"); sleep 0.2; done
        wait "$pid" || { echo "write on $n ports failed:"; cat "$work/out"; exit 1; }
        wall=$(( ($(date +%s%N) - start) / 1000000 ))
        single=${single:-$wall}
        awk -v b="$baud" -v n="$n" -v w="$wall" -v s="$single" -v u="$used" -v t="$ticks" 'BEGIN {
            printf "%7d %2d %9.2f %10.2f %8.2f %14.2f   (%.3f x one port)\n",
                   b, n, w / 1000, w / 1000 / n, s * n / w, u / t / (w / 1000) * 100 / n, w / s }'
        stop_devices
    done
done

# Waiting: 8 ports open, devices that answer another address, 10 s.
start_devices 8 115200 64,64,64,64 --address 99
"$cli" "${ports[@]}" --area-folder "$work/tmp" write "$work/m.klx41" --loop >/dev/null 2>&1 &
pid=$!
sleep 2
before=$(cpu_ticks "$pid")
sleep 10
used=$(( $(cpu_ticks "$pid") - before ))
kill -INT "$pid"; wait "$pid" || true
awk -v u="$used" -v t="$ticks" 'BEGIN { printf "--loop waiting on 8 ports: %.2f %% of a core per port\n", u / t / 10 * 100 / 8 }'
