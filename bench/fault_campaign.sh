#!/usr/bin/env bash
# Saves and writes through mirrex-cli against mirrex-devsim with random
# faults on a line whose characters take their time, and tells for each
# case how every job ended: exact (the file holds the device's areas, or
# the device the file's), failed with a message, or wrong (reported done
# but not exact, or failed without a message, or a failed save that left a
# file). The goal is no wrong at all. A failed write either names the area
# it could not write ("area" below) or failed before writing anything (the
# device's model or version could not be read).
#
# Each case is one line rate and one fault kind (or all kinds together),
# each kind spoiling the given share of requests, or bursts of noise on the
# device's answers; its jobs are spread over several seeds, a fresh device
# for each. Writes alternate between two files of different content and
# sizes, so a write that does nothing shows.
#
# Beside each count of exact jobs stands the count the protocol allows at
# best. Blocks carry no offsets, so an answer lost after the device acted can
# only be mended by doing the whole area again: a read or a write of an area
# of n blocks comes through whole only if none of its blocks loses its
# answer, p = (1 - q)^n, and a job only if each area does within its budget:
#   save:  limit = jobs * prod over areas of (1 - (1 - p)^(2 R))
#   write: limit = jobs * prod over areas of (1 - (1 - p c)^W),
#          c = 1 - (1 - p)^(2 R)
# with R = 1 + retries reads of an area (each read that ends short is
# read once more to confirm it: 2 R reads), W = 3 + retries writes of an
# area (a lost answer to a block sends it again, so the difference it makes
# may take the retries and the two rewrites), c the chance that an area's
# read-back comes through within its R reads (a read-back the line spoilt
# is read again, not written again), and q the share of requests whose
# answer is lost after the device acted: the rate of the kind lost (and of
# split with --retries 0, which takes an answer in two reads at most; with
# retries the rest of an answer that pauses is waited for). Other kinds
# spoil answers of requests the device did not act on, which the request
# layer's own retries mend. Bursts spoil runs of answers, not single ones,
# so the formula (which takes losses to be independent) gives them no limit
# ("-"). Unverified writes get no write limit ("-"): a block taken twice
# goes unseen.
#
# usage: fault_campaign.sh BUILD_DIR [options]
#   --jobs N         saves and writes per case, each (20)
#   --seeds "S..."   seeds per case (1 2 3 4)
#   --bauds "B..."   line rates (115200 9600)
#   --kinds "K..."   fault kinds: silence badcrc nerr wrongid split garble
#                    lost, all (every one of them) and burst (no faults of the
#                    device; bursts of noise on its answers, see --burst)
#   --rate R         share of requests each kind spoils (0.02)
#   --sizes A,B,C,D  area sizes of the device and the first file (400,150,60,30)
#   --burst D:S      the bursts of the burst kind: D ms every S s (200:5)
#   --realistic      a configuration of realistic size at a low rate: areas
#                    8192,8192,4096,1280, 0.001 of requests per kind, all kinds
#   --retries N      mirrex-cli --retries (2)
#   --parallel P     cases run at once (2)
#   --no-verify      write without reading back (to see what that costs)
# MIRREX_CAMPAIGN_MESSAGES=1 also lists the messages of the failed jobs.
set -euo pipefail
build=$(realpath "${1:?usage: fault_campaign.sh BUILD_DIR [options]}")
shift
jobs=20
seeds="1 2 3 4"
bauds="115200 9600"
all_kinds="silence badcrc nerr wrongid split garble lost"
kinds="$all_kinds all burst"
rate=0.02
sizes=400,150,60,30
burst=200:5
retries=2
parallel=2
verify=()
while [ $# -gt 0 ]; do
  case $1 in
    --jobs) jobs=$2; shift 2 ;;
    --seeds) seeds=$2; shift 2 ;;
    --bauds) bauds=$2; shift 2 ;;
    --kinds) kinds=$2; shift 2 ;;
    --rate) rate=$2; shift 2 ;;
    --sizes) sizes=$2; shift 2 ;;
    --burst) burst=$2; shift 2 ;;
    --realistic) sizes=8192,8192,4096,1280; rate=0.001; kinds=all; shift ;;
    --retries) retries=$2; shift 2 ;;
    --parallel) parallel=$2; shift 2 ;;
    --no-verify) verify=(--no-verify); shift ;;
    *) echo "fault_campaign.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
cli="$build/tools/cli/mirrex-cli"
devsim="$build/tools/devsim/mirrex-devsim"
for program in "$cli" "$devsim"; do
  [ -x "$program" ] || { echo "fault_campaign.sh: $program is missing; build first" >&2; exit 2; }
done

work=$(mktemp -d)
cleanup() {
  trap - EXIT
  for pid in $(cat "$work"/*/devsim.pid "$work"/*/*/devsim.pid 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
  kill $(jobs -p) 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"

# Starts a device; prints its terminal's path. $1: folder, the rest its
# options. It runs in a command substitution's subshell, so it cannot end
# with its parent: stop_device and the clean-up end it.
start_device() {
  local dir=$1; shift
  mkdir -p "$dir/areas"
  "$devsim" --no-alias --save-areas "$dir/areas" "$@" >"$dir/devsim.out" 2>"$dir/devsim.err" &
  echo $! >"$dir/devsim.pid"
  for _ in $(seq 200); do [ -s "$dir/devsim.out" ] && break; sleep 0.05; done
  head -1 "$dir/devsim.out"
}
stop_device() {
  local pid
  pid=$(cat "$1/devsim.pid")
  kill "$pid" 2>/dev/null || true
  while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
  rm -f "$1/devsim.pid"
}

# True when the file's four areas (cut by its header) are the folder's.
areas_match() {
  local file=$1 dir=$2 offset=0 i=0 sizes
  sizes=$("$cli" inspect "$file" 2>/dev/null | sed -n 's/^[^:]*64: //p') || return 1
  [ -n "$sizes" ] || return 1
  for size in $sizes; do
    local area=(0 16 40 64)
    local part="$dir/config_${area[$i]}.dat"
    [ -f "$part" ] && [ "$(stat -c %s "$part")" -eq "$size" ] || return 1
    cmp -s -n "$size" -i "$offset:0" "$file" "$part" || return 1
    offset=$((offset + size)); i=$((i + 1))
  done
}

# The two files the writes alternate between, saved from clean devices.
make_files() {
  local b=(${sizes//,/ })
  local other="$((b[0] + 37)),$((b[1] - 20)),$((b[2] + 11)),$((b[3] + 5))"
  local n=0
  for seed_and_sizes in "101:$sizes" "102:$other"; do
    n=$((n + 1))
    local port
    port=$(start_device "$work/make$n" --random-areas "$seed_and_sizes")
    "$cli" --port "$port" --area-folder "$work/make$n" save "$work/file$n.klx41" </dev/null >/dev/null 2>&1 || true
    stop_device "$work/make$n"
    [ -s "$work/file$n.klx41" ] || { echo "fault_campaign.sh: cannot make the test files" >&2; exit 1; }
  done
}

# One case: $1 baud, $2 kind. Writes its counts to $work/result-$1-$2.
run_case() {
  local baud=$1 kind=$2 fault_kinds=$2 faults=$rate
  local noise=(--faults "$faults" --fault-kinds "$fault_kinds")
  if [ "$kind" = all ]; then
    fault_kinds=${all_kinds// /,}
    faults=$(awk -v r="$rate" -v n="$(echo $all_kinds | wc -w)" 'BEGIN { print r * n }')
    noise=(--faults "$faults" --fault-kinds "$fault_kinds")
  elif [ "$kind" = burst ]; then
    noise=(--burst "$burst")
  fi
  local dir="$work/case-$baud-$kind"
  local per_seed=$(( (jobs + $(echo $seeds | wc -w) - 1) / $(echo $seeds | wc -w) ))
  local save_exact=0 save_failed=0 save_wrong=0 write_exact=0 write_failed=0 write_named=0 write_wrong=0
  local saves=0 writes=0 started=$SECONDS
  for seed in $seeds; do
    local sim="$dir/seed$seed"
    local port
    port=$(start_device "$sim" --baud "$baud" --format 8N1 "${noise[@]}" \
      --seed "$seed" --random-areas "$((seed + 10)):$sizes")
    for n in $(seq "$per_seed"); do
      if [ "$saves" -lt "$jobs" ]; then
        saves=$((saves + 1))
        local target="$sim/saved.klx41"
        rm -f "$target"
        if "$cli" --port "$port" --baud "$baud" --retries "$retries" --area-folder "$sim" save "$target" \
             </dev/null >/dev/null 2>"$sim/save.err"; then
          if areas_match "$target" "$sim/areas" &&
             "$cli" inspect "$target" 2>/dev/null | grep -q '^Прибор: KLX41$'; then
            save_exact=$((save_exact + 1))
          else
            save_wrong=$((save_wrong + 1)); cp "$sim/save.err" "$dir-wrong-save-$saves.err"
          fi
        elif [ -s "$sim/save.err" ] && [ ! -e "$target" ]; then
          save_failed=$((save_failed + 1))
          grep -v '\.\.\. $' "$sim/save.err" | tr '\n' ' ' | sed 's/^/save: /;s/$/\n/' >>"$dir.messages"
        else
          save_wrong=$((save_wrong + 1)); cp "$sim/save.err" "$dir-wrong-save-$saves.err"
        fi
      fi
      if [ "$writes" -lt "$jobs" ]; then
        writes=$((writes + 1))
        local file="$work/file$(( writes % 2 + 1 )).klx41"
        local began=$SECONDS
        if "$cli" --port "$port" --baud "$baud" --retries "$retries" --area-folder "$sim" write "$file" \
             "${verify[@]}" </dev/null >/dev/null 2>"$sim/write.err"; then
          # A job that needed repeats beside a clean one: their times.
          if grep -q 'Запись потребовала повторов' "$sim/write.err"; then
            echo "$((SECONDS - began))" >>"$dir.repeated-times"
          else
            echo "$((SECONDS - began))" >>"$dir.clean-times"
          fi
          if areas_match "$file" "$sim/areas"; then
            write_exact=$((write_exact + 1))
          else
            write_wrong=$((write_wrong + 1)); cp "$sim/write.err" "$dir-wrong-write-$writes.err"
          fi
        elif [ -s "$sim/write.err" ]; then
          write_failed=$((write_failed + 1))
          grep -v '\.\.\. $' "$sim/write.err" | tr '\n' ' ' | sed 's/^/write: /;s/$/\n/' >>"$dir.messages"
          if grep -qE 'Не удалось записать' "$sim/write.err"; then
            write_named=$((write_named + 1))
          fi
        else
          write_wrong=$((write_wrong + 1)); cp "$sim/write.err" "$dir-wrong-write-$writes.err"
        fi
      fi
    done
    stop_device "$sim"
  done
  echo "$baud $kind $save_exact $save_failed $save_wrong $write_exact $write_failed $write_named $write_wrong" \
       "$((SECONDS - started))" >"$work/result-$baud-$kind"
}

# The limit of the formula above for one case: $1 save or write, $2 kind,
# $3 the sizes.
limit() {
  local job=$1 kind=$2 q split=0
  [ "$retries" -eq 0 ] && split=1
  case $kind in
    lost) q=$rate ;;
    split) q=$(awk -v r="$rate" -v s="$split" 'BEGIN { print s * r }') ;;
    all) q=$(awk -v r="$rate" -v s="$split" 'BEGIN { print (1 + s) * r }') ;;
    burst) echo "-"; return ;;
    *) q=0 ;;
  esac
  if [ "$job" = write ] && [ ${#verify[@]} -gt 0 ]; then echo "-"; return; fi
  awk -v q="$q" -v sizes="$3" -v jobs="$jobs" -v job="$job" -v reads="$((retries + 1))" \
      -v writes="$((retries + 3))" 'BEGIN {
    n = split(sizes, s, ","); all = 1
    for (i = 1; i <= n; i++) {
      p = (1 - q) ^ int((s[i] + 14) / 15)
      checked = 1 - (1 - p) ^ (2 * reads)
      all *= job == "save" ? checked : 1 - (1 - p * checked) ^ writes
    }
    printf "%.1f", jobs * all
  }'
}

make_files
echo "fault campaign: $jobs saves and $jobs writes per case, seeds $seeds, $rate of requests per kind," \
     "bursts $burst, areas $sizes, retries $retries, writes ${verify[*]:-verified}" >&2
for baud in $bauds; do
  for kind in $kinds; do
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
    run_case "$baud" "$kind" &
  done
done
wait

echo "limit: p = (1 - q)^n, n = ceil(size / 15) blocks, q = share of answers lost after the device acted" \
     "(lost$([ "$retries" -eq 0 ] && echo ", split"); none for bursts);" \
     "saves jobs * prod over areas (1 - (1 - p)^$((2 * (retries + 1))))," \
     "verified writes jobs * prod over areas (1 - (1 - p (1 - (1 - p)^$((2 * (retries + 1)))))^$((retries + 3)))"
printf '%-7s %-8s | %-29s | %-39s | %s\n' baud faults "saves: exact (limit) fail wrong" \
       "writes: exact (limit) fail (area) wrong" time
total_wrong=0
for baud in $bauds; do
  for kind in $kinds; do
    read -r b k se sf sw we wf wn ww t <"$work/result-$baud-$kind"
    save_limit=$(limit save "$kind" "$sizes")
    write_limit=$(limit write "$kind" "$sizes")
    printf '%-7s %-8s | %12d %7s %4d %5d | %13d %7s %4d %7s %5d | %4d s\n' "$b" "$k" "$se" "($save_limit)" "$sf" \
           "$sw" "$we" "($write_limit)" "$wf" "($wn)" "$ww" "$t"
    total_wrong=$((total_wrong + sw + ww))
  done
done
for times in "$work"/case-*.clean-times; do
  [ -e "$times" ] || continue
  case_name=$(basename "$times" .clean-times)
  repeated="$work/$case_name.repeated-times"
  awk -v name="$case_name" -v repeated="$repeated" '
    { clean += $1; n++ }
    END {
      while ((getline t < repeated) > 0) { rep += t; m++ }
      printf "%s: verified write %.1f s clean (%d)", name, n ? clean / n : 0, n
      if (m) printf ", %.1f s with repeats (%d)", rep / m, m
      printf "\n"
    }' "$times"
done
if [ -n "${MIRREX_CAMPAIGN_MESSAGES:-}" ]; then
  echo "messages of the failed jobs, by case:"
  for messages in "$work"/case-*.messages; do
    [ -e "$messages" ] || continue
    echo "--- $(basename "$messages" .messages):"; sort "$messages" | uniq -c | sort -rn
  done
fi
for wrong in "$work"/case-*-wrong-*.err; do
  [ -e "$wrong" ] || continue
  echo "--- $(basename "$wrong"):"; cat "$wrong"
done
echo "wrong in all: $total_wrong"
[ "$total_wrong" -eq 0 ]
