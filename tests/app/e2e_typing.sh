#!/usr/bin/env bash
# End-to-end test of typing a road row by row with real keys on a virtual X
# display: the intersection points of a new project (start, one curve, end)
# and a width change typed station first into a copy of the demo project. Each
# project is saved with Ctrl+S and read back with the command-line program.
# Usage: e2e_typing.sh PATH/TO/vornex PATH/TO/vornex-cli PATH/TO/demo.rod
set -euo pipefail
vornex=$1
cli=$2
demo=$3
source "$(dirname "$0")/e2e_lib.sh"

keys() { xdotool key --delay 60 "$@"; }
typed() { xdotool type --delay 40 "$1"; }
# Types one row: cells separated by Tab, Return at the end.
row() {
  local first=1 cell
  for cell in "$@"; do
    [ -n "$first" ] || keys Tab
    first=""
    [ -n "$cell" ] && typed "$cell"
  done
  keys Return
  sleep 0.3
}
# From the data tree's first item (控制点) down $1 items, then over the
# property grid into the table.
open_table() {
  local i
  for ((i = 0; i < $1; i++)); do keys Down; done
  sleep 0.3
  keys F6 F6
  sleep 0.3
}
fail() { echo "e2e: $*" >&2; exit 1; }

# The first project is typed on a desktop whose locale writes numbers with a
# decimal comma: what is typed, shown and saved keeps the decimal point.
mkdir -p "$work/locale"
localedef -i de_DE -f UTF-8 "$work/locale/de_DE.UTF-8" >/dev/null 2>&1 ||
  fail "localedef could not make de_DE.UTF-8 (scripts/setup installs locales)"
printf '#!/bin/sh\nLOCPATH="%s" LC_ALL=de_DE.UTF-8 exec "%s" "$@"\n' "$work/locale" "$vornex" >"$work/vornex-comma"
chmod +x "$work/vornex-comma"

# 1. A road typed into a new project: while JD1 is the last row its curve cells take the keys.
"$cli" new "$work/road.rod" >/dev/null
start_app "$work/vornex-comma" "$work/road.rod"
open_table 2  # 平面设计线
row QD 500.25 500
wait_title "road.rod* - 沃尼克斯V0.9.20120223"
keys Down Home
row JD1 700 600 40 200 40
keys Down Home
row ZD 900 500
keys ctrl+s
wait_title "road.rod - 沃尼克斯V0.9.20120223"
sleep 0.5
check_screenshot "$work/road.png"
[ -n "${VORNEX_E2E_SHOTS:-}" ] && cp "$work/road.png" "$VORNEX_E2E_SHOTS/typed_road.png"
stop_app
points=$("$cli" table "$work/road.rod" intersection-points)
echo "$points"
printf '%s\n' "$points" | awk -F'\t' '
  $1 == "QD" && $2 + 0 == 500.25 && $3 + 0 == 500 { q = 1 }
  $1 == "JD1" && $2 + 0 == 700 && $3 + 0 == 600 && $4 + 0 == 40 && $5 + 0 == 200 && $6 + 0 == 40 { j = 1 }
  $1 == "ZD" && $2 + 0 == 900 && $3 + 0 == 500 { z = 1 }
  END { exit !(q && j && z && NR == 4) }' || fail "the typed intersection points were not stored as typed"
# The curve acts: the element list holds the circle of radius 200.
"$cli" table "$work/road.rod" element-list | grep -q '200\.000' || fail "the typed curve is missing from the alignment"

# 2. A width change typed station first into the demo: the station stays with the row.
cp "$demo" "$work/width.rod"
start_app "$vornex" "$work/width.rod"
open_table 5  # 路幅宽度变化
keys ctrl+End Home
row 16000
keys Tab Tab
row 9
wait_title "width.rod* - 沃尼克斯V0.9.20120223"
keys ctrl+s
wait_title "width.rod - 沃尼克斯V0.9.20120223"
stop_app
changes=$("$cli" table "$work/width.rod" width-changes)
echo "$changes"
printf '%s\n' "$changes" | awk -F'\t' '$1 + 0 == 16000 && $3 + 0 == 9 { found = 1 } END { exit !found }' ||
  fail "the width change was not stored at the typed station 16000"
[ "$(printf '%s\n' "$changes" | wc -l)" -eq 9 ] || fail "expected one new row of width changes"
echo "e2e: both typed rows stored as typed"
