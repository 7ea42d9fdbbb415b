#!/usr/bin/env bash
# The bash completion of mirrex-cli and mirrex-devsim, driven as bash drives
# it: the functions that complete -p names, called with the words typed so
# far. Commands and options, the values of options, the COM name of a
# simulated device on a pty, and .klx41 files (Cyrillic names with blanks
# included).
# Usage: completion-test.sh COMPLETION_SCRIPT MIRREX_CLI MIRREX_DEVSIM
set -uo pipefail
script=$1 cli=$2 devsim=$3
work=$(mktemp -d)
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
devsim_pid=
cleanup() { [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
failures=0
check() {
    local what=$1 expected=$2 got=$3
    if [ "$got" = "$expected" ]; then echo "ok:   $what"; else echo "FAIL: $what: expected [$expected], got [$got]"; failures=$((failures + 1)); fi
}

# shellcheck source=/dev/null
source "$script"
check "complete -p names mirrex-cli's function" "complete -F _mirrex_cli mirrex-cli" "$(complete -p mirrex-cli)"
check "complete -p names mirrex-devsim's function" "complete -F _mirrex_devsim mirrex-devsim" "$(complete -p mirrex-devsim)"

# What the completion offers after the words given (the last one being
# completed), sorted, one a line; the program is the built one.
offers() {
    local function program=$1; shift
    function=$(complete -p "$(basename "$program")" | sed 's/.*-F \([^ ]*\).*/\1/')
    COMP_WORDS=("$program" "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    "$function"
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
}
cli_offers() { offers "$cli" "$@"; }
devsim_offers() { offers "$devsim" "$@"; }
lines() { printf '%s\n' "$@"; }

check "the commands" "$(lines compare diff identify inspect ports save scan write)" "$(cli_offers '')"
check "a command after the connection options" "$(lines identify inspect)" "$(cli_offers --port COM3 --baud 9600 i)"
check "the options from --help" "$(lines --json)" "$(cli_offers --port COM3 identify --js)"
check "write's switches" "$(lines --no-verify)" "$(cli_offers write a.klx41 --no-)"
check "the rates" "$(lines 115200 14400 19200)" "$(cli_offers --baud 1)"
check "parity" "$(lines even)" "$(cli_offers --parity e)"
check "nothing for an address" "" "$(cli_offers --address '')"

"$devsim" --exit-with-parent --com 61 >"$work/devsim.out" 2>"$work/devsim.err" &
devsim_pid=$!
for _ in $(seq 100); do [ "$(wc -l <"$work/devsim.out")" -ge 2 ] && break; sleep 0.1; done
check "the simulated device registered as COM61" "COM61" "$(sed -n 2p "$work/devsim.out")"
check "--port offers the COM names of mirrex-cli ports" "COM61" "$(cli_offers --port COM6 | grep '^COM6')"

mkdir -p "$work/files/sub"
touch "$work/files/a.klx41" "$work/files/Линия 3.klx41" "$work/files/B.KLX41" "$work/files/notes.txt"
cd "$work/files" || exit 1
check "save, write and inspect offer .klx41 files and folders" "$(lines B.KLX41 a.klx41 sub 'Линия 3.klx41')" \
    "$(cli_offers inspect '')"
check "a Cyrillic name with a blank, from its first letters" "Линия 3.klx41" "$(cli_offers --port COM3 write Лин)"
check "nothing once the file is given" "" "$(cli_offers write a.klx41 '')"
check "--report takes any file" "notes.txt" "$(cli_offers write a.klx41 --report no)"
check "--area-folder takes folders" "sub" "$(cli_offers --area-folder '')"

check "mirrex-devsim's options from its --help" "$(lines --fault --fault-kinds --fault-script --faults)" "$(devsim_offers --fa)"
check "the fault kinds, one after another" "$(lines silence,badcrc)" "$(devsim_offers --fault-kinds silence,b)"
check "the character formats" "$(lines 7E1 7E2)" "$(devsim_offers --format 7E)"

echo "completion: $failures failed"
[ "$failures" -eq 0 ]
