#!/bin/bash
# bench/run_time.sh [CALEFAX]: the simulator's own "Run time" line on layered chips of about 10^5,
# 10^6, 2*10^6 and 10^7 nodes (50 deep), as nanoseconds per node per step, best of three runs.
# The chip: a silicon die, an active layer (one hot block) and a metal layer on top, convection on
# every face. CALEFAX defaults to build/Calefax; the files are made in a scratch folder.
set -euo pipefail
. "$(dirname "$0")/layered_chip.sh"
calefax=$(realpath "${1:-build/Calefax}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# side (last index along x and y) and steps for each grid
for grid in "44 200" "140 40" "199 20" "446 10"; do
    read -r n steps <<< "$grid"
    dir="$work/g$n"
    mkdir -p "$dir"
    layered_chip_dat "$n" "$steps" > "$dir/chip.dat"
    {
        echo "a 0 0 40 $n $n 45 ACTIVE 1e9"
        echo "b $((n / 10)) $((n / 10)) 40 $((2 * n / 5)) $((2 * n / 5)) 45 ACTIVE 5e10"
        echo "m 0 0 46 $n $n 49 M1 0"
    } > "$dir/chip.in"
    nodes=$(((n + 1) * (n + 1) * 50))
    best=""
    for run in 1 2 3; do
        t=$(cd "$dir" && "$calefax" chip.dat chip.in | awk '/Run time/ {print $(NF-1)}')
        if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN {exit !(a < b)}'; then
            best=$t
        fi
    done
    awk -v t="$best" -v n="$nodes" -v s="$steps" \
        'BEGIN {printf "%9d nodes  %4d steps  run time %8.4f s  %6.2f ns per node per step\n",
                n, s, t, t / n / s * 1e9}'
done
