#!/usr/bin/env bash
# The mosaic against one sheet: a 3 x 3 block of the benchmark mesh (28 MB each, placed by their
# sheet-code names) drawn into one PDF at 1:5000, against one of those sheets printed alone at the
# same scale. Prints wall time, CPU time and peak memory of each run (/usr/bin/time) and the
# ratios; targets: the mosaic within 10 times the one sheet's time and 3 times its peak memory.
# Then the mosaic in the other formats (SVG at the same scale, PNG at one pixel per metre, DXF),
# each against the same sheet alone in that format (the best of three runs each). The DXF keeps
# its converted sheets in a scratch file beside the drawing until it draws them: its largest size
# is printed too (one more run, watched).
# Usage: bench/bench_mosaic.sh [BIN_DIR, default build/bin] [blocks per mesh, default 191]
#                              [formats, default "pdf svg png dxf"]
set -euo pipefail
bin=${1:-build/bin}
blocks=${2:-191}
formats=${3:-pdf svg png dxf}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Three rows of three sheets: the south half of block 51 and the west half of block 52's, then
# blocks 61 and 62 alike (a sheet is a quarter of a 3 x 4 km block: 1 NW, 2 NE, 3 SW, 4 SE).
codes=(07MD513 07MD514 07MD523 07MD611 07MD612 07MD621 07MD613 07MD614 07MD623)
seed=7
for code in "${codes[@]}"; do
  "$bin/meshgen" --seed $((seed++)) --blocks "$blocks" --sheet-code "$code" "$work/in/$code" >/dev/null
done
settings=$(dirname "$0")/../examples/vellumist.ini
measure() {  # prints "wall cpu peak_kb"
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>&1
  awk '{ printf "%.2f %.2f %d\n", $1, $2 + $3, $4 }' "$work/time"
}
best() {  # the best of three runs: least CPU
  for _ in 1 2 3; do measure "$@"; done | sort -n -k2 | head -1
}
if [[ " $formats " == *" pdf "* ]]; then
  read -r w1 c1 m1 < <(best "$bin/sheetwright-convert" -q -j 1 -s "$settings" -f pdf --scale 5000 \
    "$work/in" "$work/one" 07MD614)
  read -r w9 c9 m9 < <(best "$bin/sheetwright-convert" -q -s "$settings" --mosaic "$work/town.pdf" \
    --scale 5000 "$work/in" "$work/out")
  printf 'one sheet : %6.2f s wall %6.2f s CPU %8d KB peak\n' "$w1" "$c1" "$m1"
  printf '3 x 3     : %6.2f s wall %6.2f s CPU %8d KB peak\n' "$w9" "$c9" "$m9"
  awk -v w1="$w1" -v c1="$c1" -v m1="$m1" -v w9="$w9" -v c9="$c9" -v m9="$m9" 'BEGIN {
    printf "ratios    : %.2f x wall, %.2f x CPU (target <= 10 x), %.2f x peak memory (<= 3 x)\n",
           w9 / w1, c9 / c1, m9 / m1 }'
fi
# The largest size the scratch file of the DXF's sheets reaches, sampled while the mosaic runs.
largest_spill() {
  "$bin/sheetwright-convert" -q -s "$settings" --mosaic "$work/town.dxf" "$work/in" "$work/out" \
    >/dev/null 2>&1 &
  local run=$! largest=0 size
  while kill -0 "$run" 2>/dev/null; do
    for f in "$work"/town.dxf.sheets.tmp*; do
      size=$(stat -c %s "$f" 2>/dev/null || echo 0)
      ((size > largest)) && largest=$size
    done
    sleep 0.05
  done
  wait "$run"
  echo "$largest"
}
for format in svg png dxf; do
  [[ " $formats " == *" $format "* ]] || continue
  scale=()
  [ "$format" = svg ] && scale=(--scale 5000)
  read -r w1 c1 m1 < <(best "$bin/sheetwright-convert" -q -j 1 -s "$settings" -f "$format" \
    "${scale[@]}" "$work/in" "$work/one" 07MD614)
  read -r w9 c9 m9 < <(best "$bin/sheetwright-convert" -q -s "$settings" \
    --mosaic "$work/town.$format" "${scale[@]}" "$work/in" "$work/out")
  awk -v f="$format" -v c1="$c1" -v m1="$m1" -v c9="$c9" -v m9="$m9" 'BEGIN {
    printf "%-4s      : one %6.2f s CPU %8d KB, 3 x 3 %6.2f s CPU %8d KB: %.2f x CPU, %.2f x peak\n",
           f, c1, m1, c9, m9, c9 / c1, m9 / m1 }'
  if [ "$format" = dxf ]; then
    spill=$(largest_spill)
    awk -v b="$spill" -v n="${#codes[@]}" -v d="$(stat -c %s "$work/town.dxf")" 'BEGIN {
      printf "dxf spill : %.1f MB for %d sheets, %.1f MB a sheet (the DXF itself %.1f MB)\n",
             b / 1e6, n, b / 1e6 / n, d / 1e6 }'
  fi
done
