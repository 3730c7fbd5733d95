#!/usr/bin/env bash
# alternate.sh - times commands in turn on a fresh copy of one corpus, round after round, so that
# each command meets the file system in the same state as the others (the kernel's cost of making
# and dropping inodes grows and shrinks over a run; commands timed one after another in blocks take
# that drift as their own). Prints the median wall, user and system time and the peak memory of
# each command.
#
# Usage: bench/alternate.sh CORPUS_FOLDER ROUNDS 'COMMAND' ['COMMAND'...]
#   {W} in a command is the working copy (the files are {W}/*).
# Example, from the repository root:
#   bench/alternate.sh /tmp/replbench/corpus/many 5 '/tmp/replbench/floor quorum senate {W}/*' \
#       'build/bench/bench_workflow --match-case quorum senate {W}'
set -euo pipefail
[ $# -ge 3 ] || { sed -n '2,12p' "$0"; exit 2; }
corpus=$1 rounds=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A figures
for ((round = 0; round < rounds; ++round)); do
    for i in $(seq 0 $(($# - 1))); do
        command=${@:$((i + 1)):1}
        rm -rf "$work/w" && cp -a "$corpus" "$work/w" && sync
        /usr/bin/time -f '%e %U %S %M' -o "$work/time" bash -c "${command//\{W\}/$work/w}" >/dev/null 2>&1
        figures[$i]+="$(cat "$work/time")"$'\n'
    done
done
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '%8s %8s %8s %9s  %s\n' wall_s user_s sys_s peak_MB command
for i in $(seq 0 $(($# - 1))); do
    rows=${figures[$i]}
    printf '%8s %8s %8s %9d  %s\n' \
        "$(awk 'NF { print $1 }' <<<"$rows" | median)" "$(awk 'NF { print $2 }' <<<"$rows" | median)" \
        "$(awk 'NF { print $3 }' <<<"$rows" | median)" "$(($(awk 'NF { print $4 }' <<<"$rows" | sort -n | tail -1) / 1024))" \
        "${@:$((i + 1)):1}"
done
