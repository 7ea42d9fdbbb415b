#!/bin/bash
# What looking before overwriting costs: a plain write (verified, as by
# default) against compare, write --backup, and write --skip-same into a
# device that already matches and into one that does not, each into a
# fresh simulated device with line-time emulation, at 115200 and 9600
# bit/s. Prints the wall time of each and its ratio to the plain write.
#
# usage: safeguards_bench.sh BUILD_DIR
set -eu
build=${1:?build folder}
cli="$build/tools/cli/mirrex-cli"
devsim="$build/tools/devsim/mirrex-devsim"

work=$(mktemp -d)
sim=
stop_device() { [ -n "$sim" ] && kill "$sim" 2>/dev/null; wait 2>/dev/null || true; sim=; }
trap 'stop_device; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
mkdir -p "$work/tmp" "$work/backups"

start_device() {  # baud seed sizes
    rm -rf "$work/d" "$work/d.out" && mkdir -p "$work/d"
    "$devsim" --no-alias --exit-with-parent --baud "$1" --random-areas "$2:$3" --save-areas "$work/d" \
        >"$work/d.out" 2>&1 &
    sim=$!
    for _ in $(seq 200); do [ -s "$work/d.out" ] && break; sleep 0.05; done
    port=$(head -1 "$work/d.out")
}

run() {  # baud seed sizes cli-arguments...
    local baud=$1 seed=$2 sizes=$3; shift 3
    start_device "$baud" "$seed" "$sizes"
    local start end
    start=$(date +%s%N)
    local code=0
    "$cli" --port "$port" --baud "$baud" --area-folder "$work/tmp" "$@" >/dev/null 2>"$work/err" || code=$?
    if [ "$code" != 0 ] && [ "$code" != 6 ]; then echo "safeguards_bench: $* failed ($code):"; cat "$work/err"; exit 1; fi
    end=$(date +%s%N)
    stop_device
    elapsed=$(( (end - start) / 1000000 ))
}

printf "%7s  %-34s %8s %8s\n" "bit/s" "command" "wall, s" "x write"
for rate in "115200 8192,2048,1024,256" "9600 1024,512,256,64"; do
    read -r baud sizes <<<"$rate"
    run "$baud" 1 "$sizes" save "$work/m.klx41" --force
    run "$baud" 2 "$sizes" write "$work/m.klx41"
    plain=$elapsed
    for case in "2|compare (differs)|compare" "1|compare (matches)|compare" "2|write --backup|write --backup $work/backups" \
                "1|write --skip-same (matches)|write --skip-same" "2|write --skip-same (differs)|write --skip-same" \
                "1|write --backup --skip-same (matches)|write --backup $work/backups --skip-same"; do
        IFS='|' read -r seed name arguments <<<"$case"
        read -r command options <<<"$arguments"
        # shellcheck disable=SC2086
        run "$baud" "$seed" "$sizes" "$command" "$work/m.klx41" $options
        awk -v b="$baud" -v n="$name" -v t="$elapsed" -v p="$plain" \
            'BEGIN { printf "%7s  %-34s %8.1f %8.2f\n", b, n, t / 1000, t / p }'
    done
    awk -v b="$baud" -v p="$plain" 'BEGIN { printf "%7s  %-34s %8.1f %8.2f\n", b, "write (plain, verified)", p / 1000, 1 }'
done
