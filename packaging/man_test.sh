#!/usr/bin/env bash
# The manual pages document what the programs accept: every command and option of
# `vornex-cli --help`, every option of `vornex --help`, each in its page.
# Arguments: the folder of the pages, vornex-cli, vornex (or nothing). Exit 77: no man.
pages=$1; cli=$2; gui=${3:-}
command -v man >/dev/null || { echo "skipped: man is not installed"; exit 77; }
status=0
render() { LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$1" 2>/dev/null | col -b; }

manual=$(render "$pages/vornex-cli.1")
while read -r command options; do
    grep -q "^ *vornex-cli $command\b" <<<"$manual" || { echo "vornex-cli(1) lacks the command $command"; status=1; }
    for option in $options; do
        grep -q -- "$option\b" <<<"$manual" || { echo "vornex-cli(1) lacks $command $option"; status=1; }
    done
done < <("$cli" --help | awk '/^  vornex-cli [a-z-]/ {
            opts = ""; for (i = 3; i <= NF; i++) if (match($i, /--[a-z][a-z-]*/)) opts = opts " " substr($i, RSTART, RLENGTH)
            print $2 opts }')
grep -q -- "--version" <<<"$manual" || { echo "vornex-cli(1) lacks --version"; status=1; }

if [ -n "$gui" ]; then
    manual=$(render "$pages/vornex.1")
    for option in $(env -u DISPLAY -u QT_QPA_PLATFORM "$gui" --help | grep -o -- '--[a-z][a-z-]*'); do
        grep -q -- "$option\b" <<<"$manual" || { echo "vornex(1) lacks $option"; status=1; }
    done
fi
exit $status
