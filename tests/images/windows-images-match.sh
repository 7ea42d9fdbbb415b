#!/usr/bin/env bash
# The committed Windows pictures look like what the drawing program draws
# today: a change of the drawings without scripts/draw-windows-images would
# leave mirrex.exe with the old pictures. Compared as pictures, not bytes,
# since the raster engine's rounding differs between processors.
# Usage: windows-images-match.sh DRAW_PROGRAM COMPARE_PROGRAM COMMITTED_DIR
set -euo pipefail
draw=$1 compare=$2 committed=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$draw" --windows "$work"
"$compare" "$work" "$committed"
