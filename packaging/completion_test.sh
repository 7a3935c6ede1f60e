#!/usr/bin/env bash
# Completes words with the bash completion of vornex-cli as bash does on Tab, and
# checks that it offers every command option and table name the program knows.
# Arguments: the completion script, the built vornex-cli. Exit 77: no bash-completion.
script=$(realpath "$1"); cli=$(realpath "$2")
framework=/usr/share/bash-completion/bash_completion
[ -r "$framework" ] || { echo "skipped: $framework is not installed"; exit 77; }
# shellcheck disable=SC1090
source "$framework"
# shellcheck disable=SC1090
source "$script"
status=0

# Completes the last of the words (shell words as bash splits them: a colon is a
# word of its own) in the current folder and prints the candidates sorted, one a line.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$(printf '%s' "${COMP_WORDS[*]}")
    COMP_LINE=${COMP_LINE// : /:}
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _vornex_cli
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
}

expect() {  # expected candidates (blank-separated) then the words
    local want=$1; shift
    local got
    got=$(complete_words "$@" | tr '\n' ' ' | sed 's/ $//')
    if [ "$got" != "$want" ]; then
        echo "completing '$*': got '$got', expected '$want'"
        status=1
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch a.rod b.lev c.con d.txt e.xml f.gsi g.dxf
mkdir sub

# Commands, table names, option values, option words skipped when counting positions.
expect "table tables" vornex-cli ta
expect "import import-raw info" vornex-cli i
expect "--help" vornex-cli --he
expect "coordinates" vornex-cli table a.rod coord
expect "coordinates" vornex-cli table --road 1 a.rod --side left coord
expect "summary" vornex-cli level b.lev --table su
expect "point-errors points" vornex-cli control c.con --table poi
expect "" vornex-cli query a.rod --xy 100.5 ""
expect "--side --station" vornex-cli query a.rod --xy 1 2 --s
expect "--side --station" vornex-cli query a.rod --s
expect "beijing54 cgcs2000 wgs84 xian80" vornex-cli coords d.txt --ellipsoid ""
expect "3 6" vornex-cli coords d.txt --from blh --to-width ""
expect "gbk utf8" vornex-cli info a.rod --encoding ""
expect "none" vornex-cli network c.con --refraction n
expect "sim:" vornex-cli calc list --link si
expect "sub" vornex-cli calc list --link sim : ""
expect "sub" vornex-cli calc list --link sim : s
# Files by extension for each command and position (folders are always offered).
expect "a.rod sub" vornex-cli info ""
expect "a.rod sub" vornex-cli convert a.rod ""
expect "b.lev sub" vornex-cli level ""
expect "c.con sub" vornex-cli control --refraction 0.1 ""
expect "b.lev c.con sub" vornex-cli network ""
expect "d.txt sub" vornex-cli batch a.rod ""
expect "d.txt e.xml sub" vornex-cli import ""
expect "a.rod sub" vornex-cli import e.xml ""
expect "f.gsi sub" vornex-cli import-raw ""
expect "b.lev c.con sub" vornex-cli import-raw --order 二等 f.gsi ""
expect "e.xml g.dxf sub" vornex-cli export a.rod ""
expect "capacity check delete get list optimize send" vornex-cli calc ""
expect "a.rod b.lev c.con d.txt e.xml f.gsi g.dxf sub" vornex-cli calc send ""
expect "" vornex-cli calc get NAME
expect "a.rod b.lev c.con d.txt e.xml f.gsi g.dxf sub" vornex-cli calc get NAME ""
expect "" vornex-cli calc delete ""
expect "send" vornex-cli cg20 ""

# Every option of every command's usage is offered for that command.
while read -r command options; do
    offered=" $(complete_words vornex-cli "$command" -- | tr '\n' ' ')"
    for option in $options; do
        [[ $offered == *" $option "* ]] || { echo "vornex-cli $command: $option is not completed"; status=1; }
    done
done < <("$cli" --help | awk '/^  vornex-cli [a-z]/ {
            opts = ""; for (i = 3; i <= NF; i++) if (match($i, /--[a-z][a-z-]*/)) opts = opts " " substr($i, RSTART, RLENGTH)
            print $2 opts }')

# Every table name is offered where it belongs (by its code: road tables above
# -10020, leveling -10020..-10029 and -10050..-10059, control -10030..-10049).
while IFS=$'\t' read -r name code; do
    if ((code > -10020)); then words=(vornex-cli table a.rod)
    elif ((code >= -10029 || code <= -10050)); then words=(vornex-cli level b.lev --table)
    else words=(vornex-cli control c.con --table); fi
    complete_words "${words[@]}" "$name" | grep -qx -- "$name" || {
        echo "${words[*]}: table $name ($code) is not completed"; status=1; }
done < <("$cli" tables)
exit $status
