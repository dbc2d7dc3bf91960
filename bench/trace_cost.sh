#!/bin/bash
# bench/trace_cost.sh [CALEFAX]: the cost of a power trace. The simulator's own "Run time" of a
# chip of about 10^6 nodes (141 x 141 x 50) run without a trace, then with a trace whose watts
# change every 10 steps (and its units file, one row per interval), as nanoseconds per node per
# step, best of three runs each, and their ratio. The chip: a silicon die, an active layer with four
# cores and a cache, a metal layer on top, convection on every face. CALEFAX defaults to
# build/Calefax; the files are made in a scratch folder.
set -euo pipefail
. "$(dirname "$0")/layered_chip.sh"
calefax=$(realpath "${1:-build/Calefax}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=140
steps=200
cd "$work"
layered_chip_dat "$n" "$steps" > chip.dat
{
    echo "active 0 0 40 $n $n 45 ACTIVE 1e8"
    for c in 0 1 2 3; do
        echo "core$c $((10 + 32 * c)) 10 40 $((38 + 32 * c)) 60 45 ACTIVE 5e10"
    done
    echo "cache 10 70 40 130 130 45 ACTIVE 1e10"
    echo "metal 0 0 46 $n $n 49 M1 0"
} > chip.in
# one interval of 10 steps after another, every unit's watts changing each time
awk -v rows=$((steps / 10)) 'BEGIN {
    print "core0 core1 core2 core3 cache"
    for (r = 0; r < rows; r++)
        printf "%g %g %g %g %g\n", 1 + r % 3, 2 - r % 2, 0.5 + r % 5, 1 + r % 4 * 0.25, 2 + r % 2
}' > chip.ptrace

best_of_three() {
    local best="" t
    for run in 1 2 3; do
        t=$("$calefax" chip.dat chip.in "$@" | awk '/Run time/ {print $(NF-1)}')
        if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN {exit !(a < b)}'; then
            best=$t
        fi
    done
    echo "$best"
}
nodes=$(((n + 1) * (n + 1) * 50))
plain=$(best_of_three)
traced=$(best_of_three --power chip.ptrace --interval 1e-3)
awk -v p="$plain" -v t="$traced" -v n="$nodes" -v s="$steps" 'BEGIN {
    printf "%d nodes, %d steps\n", n, s
    printf "constant power          %6.2f ns per node per step\n", p / n / s * 1e9
    printf "trace, new every 10     %6.2f ns per node per step\n", t / n / s * 1e9
    printf "ratio                   %6.3f\n", t / p
}'
