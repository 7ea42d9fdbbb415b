#!/usr/bin/env bash
# The committed Windows pictures are exactly what the drawing program makes
# today: a change of the drawings without scripts/draw-windows-images would
# leave mirrex.exe with the old pictures.
# Usage: windows-images-match.sh DRAW_PROGRAM COMMITTED_DIR
set -euo pipefail
draw=$1 committed=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$draw" --windows "$work"
status=0
for file in "$work"/*; do
  name=$(basename "$file")
  if ! cmp -s "$file" "$committed/$name"; then
    echo "$name differs from the drawing program's; run scripts/draw-windows-images" >&2
    status=1
  fi
done
drawn=$(ls "$work" | sort) kept=$(ls "$committed" | sort)
[ "$drawn" = "$kept" ] || { echo "committed files: $kept; drawn: $drawn" >&2; status=1; }
exit $status
