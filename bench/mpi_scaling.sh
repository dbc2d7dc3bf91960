#!/usr/bin/env bash
# bench/mpi_scaling.sh [BUILD_DIR]: calefax-mpi on layered chips of about 10^6 and 4*10^6 nodes
# (side x side x 50 nodes, 10 mm x 10 mm, dz = 10 um: silicon, a thin active layer with three hot
# blocks, a k = 1 dielectric, wiring, a copper spreader; h = 1e4 on top, 10 elsewhere) on 1 and 2
# processes, each run REPEAT times (default 2; the machine may be shared, so quote the spread):
# the steady solve (time, iterations), 10 Crank-Nicolson steps (time per step after the first,
# iterations), the peak memory per process; then the steady state of the 10^6 grid against the
# single-machine one (bench/mpi_agreement). MPIRUN (default mpirun) starts the processes.
set -euo pipefail
build="${1:-build}"
repeat="${REPEAT:-2}"
launcher="${MPIRUN:-mpirun}"
dir=$(mktemp -d /tmp/calefax-mpi-bench-XXXXXX)
trap 'rm -rf "$dir"' EXIT
build=$(cd "$build" && pwd)

chip() # SIDE: writes $dir/chipSIDE.dat and .in
{
    local side=$1 n=$(($1 - 1))
    awk -v n=$n 'BEGIN {
        printf "10\n%d %d 49\n%.10g %.10g 1e-5\n1e-4\n25.0\n10 10 10 10 1e4 10\n", n, n, 0.01/n, 0.01/n
        print "SI 131 2329 700\nPOLY 30 2330 700\nACTIVE 150 2400 800\nDIEL 1.0 2200 730"
        print "M1 120 4500 560\nM2 120 4500 560\nM3 120 4500 560\nM4 120 4500 560"
        print "AL 237 2700 900\nCU 398 8960 385\nSI"
        printf "%d %d 30\n1\nz 30 active.txt\n", int(n/2), int(n/2) }' >"$dir/chip$side.dat"
    awk -v n=$n 'BEGIN {
        printf "active 0 0 30 %d %d 31 ACTIVE 1e9\n", n, n
        printf "core0 %d %d 30 %d %d 31 ACTIVE 2e10\n", int(n/10), int(n/10), int(3*n/10), int(3*n/10)
        printf "core1 %d %d 30 %d %d 31 ACTIVE 2e10\n", int(6*n/10), int(n/10), int(8*n/10), int(3*n/10)
        printf "cache %d %d 30 %d %d 31 ACTIVE 5e9\n", int(n/10), int(6*n/10), int(9*n/10), int(9*n/10)
        printf "diel 0 0 31 %d %d 33 DIEL 0\nwires 0 0 33 %d %d 35 M1 0\n", n, n, n, n
        printf "lid 0 0 35 %d %d 49 CU 0\n", n, n }' >"$dir/chip$side.in"
}

for side in 141 283; do
    chip $side
    nodes=$((side * side * 50))
    for np in 1 2; do
        for r in $(seq "$repeat"); do
            cd "$dir"
            s=$($launcher -n $np "$build/calefax-mpi" chip$side.dat chip$side.in --steady 2>&1)
            t=$($launcher -n $np "$build/calefax-mpi" chip$side.dat chip$side.in 2>&1)
            echo "$nodes nodes, $np processes, run $r:"
            echo "$s" | grep -E "^Steady state after|^Peak memory" | sed 's/^/  steady:    /'
            echo "$t" | grep -E "^Crank-Nicolson|^Peak memory" | sed 's/^/  transient: /'
        done
    done
done
for np in 1 2; do
    (cd "$dir" && $launcher -n $np "$build/bench/mpi_agreement" steady chip141.dat chip141.in)
done
