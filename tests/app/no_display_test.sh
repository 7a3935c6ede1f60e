#!/usr/bin/env bash
# vornex --version and --help answer on a machine without a display: no X, no
# Wayland, no offscreen platform chosen (a QApplication made first would abort).
# Arguments: the program, the version it must print.
set -euo pipefail
program=$1; version=$2
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@"; }

status=0
out=$(run --version) || { echo "--version failed"; status=1; }
[ "$out" = "vornex $version" ] || { echo "--version printed '$out', expected 'vornex $version'"; status=1; }
[ "$(run -v)" = "$out" ] || { echo "-v differs from --version"; status=1; }

help=$(run --help) || { echo "--help failed"; status=1; }
for word in --screenshot --table --version --help; do
  grep -q -- "$word" <<<"$help" || { echo "--help does not name $word"; status=1; }
done
# A file argument before the switch is no reason to open a window.
run some.rod --help >/dev/null || { echo "some.rod --help failed"; status=1; }
exit $status
